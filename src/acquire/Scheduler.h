// The heartbeat: ProcessTimer runs on the 10-second Process tick, keeps the
// memory display and log, runs a download pass when a record is due and
// announces the next attempt. The two Download commands make the selected
// record due at once and run a pass outside the tick.
#pragma once
#include "acquire/AcquisitionHost.h"
#include "acquire/DownloadPass.h"

namespace ombrix {

class Scheduler {
 public:
  Scheduler(AcquireView view, AcquisitionHost& host, DownloadPass& pass) : view_(view), host_(host), pass_(pass) {}

  void ProcessTimer();
  void DownloadBtnClick();
  void Downloadcurrentrecord1Click();

 private:
  bool HostsReady();      // map and folder checks; false suspends the tick
  void WatchMemory();     // the hourly log line or the display with its warning
  void ShowMemory(bool warnInLog);
  // The tick's work while Process is off; false when Closing cut it short.
  bool RunDuePass();
  void AnnounceNextAttempt(TDateTime tickUtc, double localOffset);
  void EndTick();
  void SetListCommandsEnabled(bool enabled);
  bool PumpAndCheck();  // pending messages; false when Closing

  AcquireView view_;
  AcquisitionHost& host_;
  DownloadPass& pass_;
};

}  // namespace ombrix
