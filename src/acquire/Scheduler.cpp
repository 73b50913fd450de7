#include "acquire/Scheduler.h"

#include "app/ErrorLog.h"
#include "app/ProcessState.h"
#include "app/Product.h"
#include "host/Discovery.h"
#include "util/Clock.h"
#include "util/StrUtil.h"

namespace ombrix {

namespace {

constexpr int kMemoryWarningLoad = 85;
constexpr double kOneHour = 1.0 / 24;
constexpr double kShortestLead = 10.0 / 86400;

}  // namespace

bool Scheduler::PumpAndCheck() {
  host_.ProcessMessages();
  return !Closing;
}

void Scheduler::ProcessTimer() {
  // A radar loop has the underlay files moved; a conversion now would mix
  // them up. The next tick after the loop takes whatever is due.
  if (LoopRunning) return;
  view_.StateLbl.colour = clBlack;
  if (!HostsReady()) return;
  WatchMemory();
  if (host_.Records().Empty()) return;

  view_.Process.SetEnabled(false);
  try {
    RunDuePass();
  } catch (...) {
    // The controls and the timer come back below whatever happened.
  }
  EndTick();
}

bool Scheduler::HostsReady() {
  if (UpperCase(Host.MapName).find("PMAPSERVER") != std::string::npos) {
    view_.Form.caption = kProductName;
  } else {
    view_.SetPanel(0, "PMapServer not selected in UiView,Maps,LoadMap!");
    view_.SetPanel(1, "ERROR");
    view_.Shape1.brushColour = clRed;
    view_.StateLbl.caption = "PMapServer NOT selected in UiView!";
    view_.Form.caption = view_.StateLbl.caption;
    view_.StateLbl.colour = clRed;
    host_.UpdateUiViewStatus();
  }
  if (!Host.PMapServerPath.empty()) return true;
  view_.SetPanel(0, "Cannot find PMapServer directory!");
  host_.Beep();
  view_.SetPanel(1, "ERROR");
  view_.Shape1.brushColour = clRed;
  view_.StateLbl.caption = "Processing suspended, cannot find local PMapServer directory!";
  if (view_.Form.caption == kProductName) view_.Form.caption = view_.StateLbl.caption;
  view_.StateLbl.colour = clRed;
  host_.UpdateUiViewStatus();
  return false;
}

void Scheduler::WatchMemory() {
  const TDateTime now = LocalNow();
  if (now > LastMemoryLog + kOneHour) {
    LastMemoryLog = now;
    LogError(MemoryReportText());
    return;
  }
  ShowMemory(true);
}

void Scheduler::ShowMemory(bool warnInLog) {
  std::string report;
  if (warnInLog) report = MemoryReportText();  // refreshes MemoryLoad
  const std::string remaining = std::to_string(100 - MemoryLoad);
  if (MemoryLoad < kMemoryWarningLoad) {
    MemoryWarned = false;
    view_.HeapLbl.colour = clBlack;
    view_.HeapLbl.caption = remaining + "% memory available";
    return;
  }
  view_.HeapLbl.colour = clRed;
  view_.HeapLbl.caption = "Warning, " + remaining + "% memory remaining";
  if (warnInLog && !MemoryWarned) {
    MemoryWarned = true;
    LastMemoryLog = LocalNow();
    LogError("Mem Warning " + report);
  }
}

bool Scheduler::RunDuePass() {
  if (!PumpAndCheck()) return false;
  view_.SetPanel(1, "Scheduler");
  view_.Shape1.brushColour = clYellow;
  host_.ProcessMessages();
  const TDateTime tickUtc = UtcNow();
  const double localOffset = TheClock().ZoneOffsetDays();
  SetListCommandsEnabled(false);

  TRadarList& records = host_.Records();
  bool due = false;
  for (int i = 0; i < records.Count() && !due; ++i) {
    if (!PumpAndCheck()) return false;
    const TRadarObj& r = records.Objects(i);
    due = r.Enabled && r.NextAttempt <= tickUtc;
  }
  if (!PumpAndCheck()) return false;
  if (due) {
    const std::string time = FormatDateTime(DateTimePattern::Time, LocalNow());
    if (host_.ClientMode()) {
      view_.SetPanel(1, "Process");
      view_.SetPanel(0, "Process files at " + time);
    } else {
      view_.SetPanel(1, "DownLoad");
      view_.SetPanel(0, "Download files at " + time);
    }
    host_.ProcessMessages();
    pass_.DownloadAndProcess();
  }
  view_.SetPanel(1, "NextChk");
  if (!PumpAndCheck()) return false;
  AnnounceNextAttempt(tickUtc, localOffset);
  return true;
}

void Scheduler::AnnounceNextAttempt(TDateTime tickUtc, double localOffset) {
  TDateTime next = tickUtc + kOneHour;
  TRadarList& records = host_.Records();
  for (int i = 0; i < records.Count(); ++i) {
    const TRadarObj& r = records.Objects(i);
    if (r.Enabled && r.NextAttempt < next) next = r.NextAttempt;
  }
  host_.ProcessMessages();
  const TDateTime v = UtcNow();
  if (next >= v && next <= v + kShortestLead) next = v + kShortestLead;
  const TDateTime w = UtcNow();
  const bool client = host_.ClientMode();
  if (w + kOneHour > next) {
    view_.SetPanel(0, std::string(client ? "Waiting for new files, next scheduled processing attempt "
                                         : "Waiting for new files, next scheduled download attempt ") +
                          FormatDateTime(DateTimePattern::Time, next + localOffset));
  } else {
    view_.SetPanel(0, client ? "No files scheduled for processing" : "No files scheduled for download");
  }
}

void Scheduler::EndTick() {
  view_.SetPanel(1, "Idle");
  try {
    host_.ProcessMessages();
  } catch (...) {
  }
  view_.Shape1.brushColour = host_.FetchClientReady() ? clLime : clRed;
  ShowMemory(false);
  SetListCommandsEnabled(true);
  view_.Process.SetEnabled(true);
}

void Scheduler::SetListCommandsEnabled(bool enabled) {
  view_.DeleteBtn.enabled = enabled;
  view_.DownloadBtn.enabled = enabled;
  view_.RadarGrid.enabled = enabled;
}

void Scheduler::DownloadBtnClick() {
  if (view_.MinTimer.Enabled()) host_.UpdateUiViewStatus();
  TRadarList& records = host_.Records();
  if (records.Empty()) return;
  const int row = view_.RadarGrid.row;
  if (row < 0) {
    host_.ShowError("Radar record not selected, aborting!");
    return;
  }
  if (row >= 1 && row - 1 < records.Count()) records.Objects(row - 1).NextAttempt = UtcNow() - 60.0 / 86400;
  host_.ProcessMessages();
  // A running tick (or a loop with the underlay files moved) takes the due
  // record at its next turn instead.
  if (!view_.Process.Enabled() || LoopRunning) return;
  view_.Process.SetEnabled(false);
  // Deleting a record from under the running pass would pull it out of the
  // pass's hands: the list commands rest while it runs, as in a tick.
  SetListCommandsEnabled(false);
  pass_.DownloadAndProcess();
  SetListCommandsEnabled(true);
  view_.Process.SetEnabled(true);
}

void Scheduler::Downloadcurrentrecord1Click() {
  if (view_.RadarGrid.row < 0) {
    host_.ShowError("Radar record not selected, aborting!");
    return;
  }
  if (!host_.Records().Empty() && view_.DownloadBtn.enabled) DownloadBtnClick();
}

}  // namespace ombrix
