// The scheduler, the pass and the pick-up step on a fake clock, with plain
// components, a scripted web (URL -> body or HTTP error) and scripted
// conversions. Files are real, in a temporary AppDir and underlay folder.
#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "acquire/AcquisitionHost.h"
#include "acquire/DownloadPass.h"
#include "acquire/Scheduler.h"
#include "app/ErrorLog.h"
#include "app/MemoryStatus.h"
#include "app/ProcessState.h"
#include "host/Discovery.h"
#include "support/TempDir.h"
#include "util/Clock.h"
#include "util/FakeEventLoop.h"
#include "util/FileUtil.h"

namespace ombrix::test {

inline TDateTime Utc(int y, int mo, int d, int h, int mi, int s = 0) {
  DateTimeParts p;
  p.year = y, p.month = mo, p.day = d, p.hour = h, p.minute = mi, p.second = s;
  return EncodeDateTime(p);
}
constexpr double kSec = 1.0 / 86400;

// What the scripted web answers for one URL.
struct WebAnswer {
  std::string body;        // written to the local file when no error
  int errorCode = 0;       // an HTTP error: the record's Status gets it
  std::string reason = "Not Found";
  std::function<void()> during{};  // runs while the fetch "waits" (e.g. Closing)
};

class FakeAcquisitionHost : public AcquisitionHost {
 public:
  TRadarList records;
  ServerSettings servers = ServerSettings::Defaults();
  std::string appDir;
  bool client = false, legend = false;
  std::map<std::string, WebAnswer> web;
  std::vector<std::string> fetched;  // URLs in order
  // Both conversions; unset: succeed. The path and record as given.
  std::function<bool(const std::string& path, TRadarObj& record)> convert;
  std::vector<std::string> converted;  // the paths
  int saves = 0, refreshes = 0, uiStatus = 0, beeps = 0, emptied = 0;
  std::vector<std::string> errorBoxes;
  std::string trayCaption, trayTip;
  std::function<void()> onPump;

  TRadarList& Records() override { return records; }
  const ServerSettings& Servers() override { return servers; }
  const std::string& AppDir() const override { return appDir; }
  bool ClientMode() const override { return client; }
  bool LegendWanted() const override { return legend; }
  void ProcessMessages() override {
    if (onPump) onPump();
  }
  void Beep() override { ++beeps; }
  void ShowError(const std::string& text) override { errorBoxes.push_back(text); }
  void FetchFile(const std::string& url, const std::string& localPath, std::string& recordStatus) override {
    fetched.push_back(url);
    if (FileExists(localPath)) DeleteFileAt(localPath);
    FetchOK = false;
    auto it = web.find(url);
    if (it == web.end()) return;
    if (it->second.during) it->second.during();
    if (it->second.errorCode) {
      recordStatus = "Error " + std::to_string(it->second.errorCode) + " " + it->second.reason;
      return;
    }
    WriteFile(localPath, it->second.body);
    FetchOK = !it->second.body.empty();
  }
  bool FetchClientReady() override { return true; }
  void AbortFetch() override {}
  bool ConvertGifUnderlay(const std::string& path, TRadarObj& record) override { return Convert(path, record); }
  bool ConvertPngUnderlay(const std::string& path, TRadarObj& record) override { return Convert(path, record); }
  void EmptyPngWorkObjects() override { ++emptied; }
  void SaveDownloadList() override { ++saves; }
  void RefreshGrid() override { ++refreshes; }
  void SetTrayTip(const std::string& text) override { trayTip = text; }
  std::string& TrayCaption() override { return trayCaption; }
  void UpdateUiViewStatus() override { ++uiStatus; }

 private:
  bool Convert(const std::string& path, TRadarObj& record) {
    converted.push_back(path);
    if (convert) return convert(path, record);
    record.Status = "OK";
    return true;
  }
};

class AcquisitionFixture : public ::testing::Test {
 protected:
  // 7 December 2026, 04:06:00 UTC; local time six hours behind.
  FakeClock clock{Utc(2026, 12, 7, 4, 6), -0.25};
  ScopedClock useClock{clock};
  FakeEventLoop loop{clock};
  FakeMemoryStatus memory;
  ScopedMemoryStatus useMemory{memory};
  TempDir dir, underlayDir;
  std::string appDir = dir.Path();
  std::string underlays = underlayDir.Path();
  FakeAcquisitionHost host;

  Label StateLbl, HeapLbl, RidgeLbl, FileLbl, StatLbl;
  StatusBar Sbar{{"", ""}};
  Shape Shape1;
  FormState Form;
  Button DeleteBtn, DownloadBtn;
  StringGrid RadarGrid;
  Timer Process{loop, 10000, true};
  Timer MinTimer{loop, 60000, true};
  AcquireView view{StateLbl, HeapLbl, RidgeLbl, FileLbl, StatLbl, Sbar, Shape1,
                   Form,     DeleteBtn, DownloadBtn, RadarGrid, Process, MinTimer};
  DownloadPass pass{view, host};
  Scheduler scheduler{view, host, pass};

  AcquisitionFixture() {
    ResetProcessState();
    memory.reading = {37, 6ull << 30, 3ull << 30, 8ull << 30, 5ull << 30, 2ull << 30, 1ull << 30};
    host.appDir = appDir;
    Host = HostState{};
    Host.MapName = "!!PMapServer7";
    Host.PMapServerPath = dir / "PMapServer7/";
    Host.PMapUnderlayPath = underlays;
    TheErrorLogConfig().folder = appDir;
    TheErrorLogConfig().enabled = true;
    LastMemoryLog = clock.LocalNow();
  }
  ~AcquisitionFixture() override {
    TheErrorLogConfig() = ErrorLogConfig{};
    ResetProcessState();
    Host = HostState{};
  }

  // A record made as the Add command makes it, due now.
  TRadarObj& AddRecord(const std::string& radar, const std::string& product = ", ") {
    auto record = std::make_unique<TRadarObj>();
    record->InitFromSelection(radar, product, host.servers);
    record->NextAttempt = clock.UtcNow() - kSec;
    return *host.records.Add(radar + "\t" + product, std::move(record));
  }
  TRadarObj& AddLot() { return AddRecord("IL,Chicago,LOT", "Base Reflectivity, N0R"); }
  TRadarObj& AddIowa() { return AddRecord("!!ConUS,Iowa State University"); }

  std::string Log() {
    std::string all;
    for (const FoundFile& f : FindFiles(dir / "R*ErrorLog.txt")) all += ReadFile(dir / f.name);
    return all;
  }
  std::string LocalText(DateTimePattern pattern, TDateTime utc) { return FormatDateTime(pattern, utc - 0.25); }
  std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const FoundFile& f : FindFiles(folder + "*")) names.push_back(f.name);
    return names;
  }
};

}  // namespace ombrix::test
