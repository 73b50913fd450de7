// A week of two stations on a simulated clock against the radar feed on
// loopback. A Server station takes all four kinds of source every 10 seconds
// and forwards the raw files to a Client station, which converts them. In
// between, the feed misbehaves in every way it knows, one fault at a time,
// and the Server's underlay folder fills up once. Every fault must show in
// the records, every record must recover by itself within its retry time
// once the fault is gone, nothing may be left behind, and memory and open
// descriptors must not grow from the first day to the last.
#include <gtest/gtest.h>
#include <sys/mount.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>

#include "app/ErrorLog.h"
#include "app/ProcessState.h"
#include "app/Settings.h"
#include "host/Discovery.h"
#include "host/UiViewLink.h"
#include "records/DownloadList.h"
#include "support/FakeHost.h"
#include "support/posix/FeedProcess.h"
#include "support/posix/SimulatedTimeLoop.h"
#include "ui/Dialogs.h"
#include "ui/MainFrm.h"
#include "util/FileUtil.h"
#include "util/ProfileFile.h"
#include "util/StrUtil.h"

using namespace ombrix;
using namespace ombrix::test;
namespace fs = std::filesystem;

namespace {

constexpr long long kTickMs = 10000;
constexpr long long kHour = 3600, kDay = 24 * kHour;
constexpr int kFrameSeconds = 1800;

const std::pair<const char*, const char*> kSources[] = {
    {"IL,Chicago,LOT", "Short Range Reflectivity, N0R"},
    {"!!Nat,National", ", "},
    {"!!ConUS,Iowa State University", ", "},
    {"!!USRad,Texas A&M Universtity", ", "},
};

long long EpochOf(TDateTime t) { return std::llround((t - 25569.0) * 86400.0); }
TDateTime DateTimeOf(long long epoch) { return 25569.0 + static_cast<double>(epoch) / 86400.0; }

// One PC: its own UI-View32 and PMapServer, program folder and window. The
// process-wide values a window keeps (what discovery found, its log, its
// memory report times) are swapped in while the station runs.
class Station {
 public:
  Station(bool client, FakeClock& clock, const std::string& feedBase) : client_(client), loop_(clock) {
    host_.InstallUiView("!!PMapServer7.map");
    host_.InstallPMap("PMapServer7", {.underlay = "LOT_N0R_0.bmp"});
    underlays_ = host_.dir.Path() + "PMapServer7/PMap Underlays/";
    std::string ini = "[User]\r\nLegend=1\r\nLogErrors=1\r\nWebTimeOut=7\r\n";
    if (client) ini += "Mode=1\r\n";
    ini += "[URL]\r\nRIDGE=" + feedBase + "/ridge/RadarImg/\r\nRIDGENAT=" + feedBase + "/ridge/Conus/RadarImg/\r\nTAMU=" +
           feedBase + "/gemdata/images/radar/\r\nIOWAState1=" + feedBase + "/data/gis/images/unproj/USCOMP/\r\n";
    WriteFile(App() + "Ombrix2.ini", ini);
    TRadarList list;
    const ServerSettings servers = ReadServerSettings(*OpenProfileFile(App() + "Ombrix2.ini"));
    for (const auto& [description, product] : kSources) {
      auto r = std::make_unique<TRadarObj>();
      r->InitFromSelection(description, product, servers);
      r->Accumulate = r->BaseName == "LOT_N0R_0";  // the history shifts too
      const std::string key = RecordKey(*r);
      list.Add(key, std::move(r));
    }
    EXPECT_TRUE(SaveDownloadListFile(App() + "DownLoadList.Txt", list));
  }

  // The folders this station delivers to, its own underlay folder first.
  void Start(const std::vector<std::string>& targets) {
    std::string text;
    for (const std::string& t : targets) text += t + "\r\n";
    WriteFile(App() + "TargetDirList.txt", text);
    Host = HostState{};
    Platform p;
    p.loop = &loop_;
    p.beep = [] {};
    p.registry = &host_.registry;
    p.dialogs = &dialogs_;
    p.uiView = &link_;
    main_ = std::make_unique<TMain>(p, App());
    main_->SettingsFile = App() + "Ombrix2.ini";
    main_->FormCreate();
    main_->FormShow();
    Leave();
  }
  ~Station() {
    if (!main_) return;
    Enter();
    main_.reset();
    Leave();
  }

  void Run(long long ms) {
    Enter();
    const std::string before = main_->FileLbl.caption;
    loop_.AdvanceMs(ms);
    // A pass ends with its summary, which carries the time of day.
    const std::string& after = main_->FileLbl.caption;
    if (after != before && (after.rfind("Downloaded ", 0) == 0 || after.rfind("Processed ", 0) == 0)) ++passes;
    Leave();
  }
  int passes = 0;

  TRadarList& Records() { return main_->RadarList; }
  const std::string& Underlays() const { return underlays_; }
  // The same folder spelt as discovery spells it, as a target list names it.
  std::string Target() { return host_.UnderlaysOf("PMapServer7"); }
  std::string App() const { return app_.Path(); }
  bool Client() const { return client_; }
  int Redraws() const { return link_.redraws; }
  std::string LogText() const {
    std::string all;
    for (const FoundFile& f : FindFiles(App() + "R*ErrorLog.txt")) all += ReadFile(App() + f.name);
    return all;
  }

 private:
  void Enter() {
    Host = hostState_;
    TheErrorLogConfig() = log_;
    LastMemoryLog = lastMemoryLog_;
    MemoryWarned = memoryWarned_;
  }
  void Leave() {
    hostState_ = Host;
    log_ = TheErrorLogConfig();
    lastMemoryLog_ = LastMemoryLog;
    memoryWarned_ = MemoryWarned;
  }

  bool client_;
  SimulatedTimeLoop loop_;
  FakeHost host_;
  FakeDialogs dialogs_;
  FakeUiViewLink link_;
  TempDir app_;
  std::string underlays_;
  std::unique_ptr<TMain> main_;
  HostState hostState_;
  ErrorLogConfig log_;
  TDateTime lastMemoryLog_ = 0;
  bool memoryWarned_ = false;
};

// A small file system over a folder, so that it can be filled up.
class SmallDisk {
 public:
  explicit SmallDisk(const std::string& folder) : folder_(folder) {
    mounted_ = mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=32m") == 0;
  }
  ~SmallDisk() {
    if (mounted_) umount2(folder_.c_str(), MNT_DETACH);
  }
  bool Mounted() const { return mounted_; }
  void Fill() {
    if (!mounted_) return;
    std::FILE* f = std::fopen((folder_ + "filler").c_str(), "wb");
    static const char block[65536] = {};
    while (f && std::fwrite(block, 1, sizeof block, f) == sizeof block) {
    }
    if (f) std::fclose(f);
  }
  void Free() {
    if (mounted_) fs::remove(folder_ + "filler");
  }

 private:
  std::string folder_;
  bool mounted_ = false;
};

long long ResidentKiB() {
  std::ifstream in("/proc/self/status");
  for (std::string line; std::getline(in, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::stoll(line.substr(6));
  return -1;
}

int OpenDescriptors() {
  int n = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator("/proc/self/fd")) ++n;
  return n;
}

// What the week injects: a feed mode limited to paths containing match, or
// a full underlay folder; hours after the first day, and what the records
// must show while it lasts.
struct Fault {
  const char* mode;
  const char* match;
  int count;  // requests hit, -1: all for the whole time
  long long startHour, minutes;
  const char* statusSeen;  // some Server record shows a status beginning so
  bool convertErrors;      // counted as conversion failures, not download ones
};

const Fault kFaults[] = {
    {"stall", "", 24, 0, 60, "Web site dir unavailable", false},
    {"refuse", "", -1, 10, 60, "Web site dir unavailable", false},
    {"404", "", -1, 20, 60, "Error 404 Not Found", false},
    {"truncate", ".gif", -1, 30, 60, "Error RadarImage File not downLoaded", false},
    {"truncate", ".png", -1, 40, 60, "Error RadarImage File not downLoaded", false},
    {"overlong", ".", -1, 50, 60, "Error World File not downloaded", false},
    {"corrupt", "", -1, 60, 60, "", true},
    {"garbage-listing", "", -1, 70, 60, "Error getting file", false},
    {"vanish-world", "", -1, 80, 60, "Error 404 Not Found", false},
    {"404", ".png", -1, 90, 60, "Error 404 Not Found", false},
    {"full-disk", "", -1, 100, 60, "", false},
};

// How long a record may take to take an image once the feed behaves: the
// newest image's lead time (600 s for the national one) plus jitter and a
// tick, then the longest retry (342 s after a failed composite) plus jitter
// and a tick. A Client takes a drop within its 45 s retry, jitter and a tick.
constexpr long long kLongestLead = 600 + 20, kLongestRetry = 342 + 20, kClientRetry = 45 + 20;

struct Conversions {
  std::map<std::string, std::vector<long long>> at;  // base name -> epochs
  std::map<std::string, TDateTime> lastSeen;
  void Note(TRadarList& records) {
    for (int i = 0; i < records.Count(); ++i) {
      const TRadarObj& r = records.Objects(i);
      if (r.Status != "OK" || lastSeen[r.BaseName] == r.LastAttempt) continue;
      lastSeen[r.BaseName] = r.LastAttempt;
      at[r.BaseName].push_back(EpochOf(r.LastAttempt));
    }
  }
  // The first conversion at or after `from`, -1 when none.
  long long FirstAt(const std::string& base, long long from) const {
    auto it = at.find(base);
    if (it == at.end()) return -1;
    for (long long t : it->second)
      if (t >= from) return t;
    return -1;
  }
};

// Each turn of a Server record starts when the record fell due, and a failed
// turn sets the retry its failure calls for.
class RetryCheck {
 public:
  int checked = 0;
  void Note(const TRadarList& records) {
    for (int i = 0; i < records.Count(); ++i) {
      const TRadarObj& r = records.Objects(i);
      Turn& before = last_[r.BaseName];
      if (before.lastAttempt != 0 && r.LastAttempt != before.lastAttempt) Check(r, before);
      before = {r.LastAttempt, r.NextAttempt, r.ConvertErrors};
    }
  }

 private:
  struct Turn {
    TDateTime lastAttempt = 0, nextAttempt = 0;
    int convertErrors = 0;
  };
  // A turn may wait for a tick and for the turns before it in the pass.
  static constexpr long long kLateness = 10 + 60;
  // Jitter, and a fetch that ran to its 7-second time-out first.
  static constexpr long long kSlack = 10 + 8;

  void Check(const TRadarObj& r, const Turn& before) {
    ++checked;
    const long long started = EpochOf(r.LastAttempt), due = EpochOf(before.nextAttempt);
    EXPECT_GE(started, due - 1) << r.BaseName << " ran before it was due";
    EXPECT_LE(started, due + kLateness) << r.BaseName << " ran late";
    const long long retry = EpochOf(r.NextAttempt) - started;
    const bool png = r.BaseName == "n0r_0" || r.BaseName == "01_USrad";
    long long wanted = -1;
    if (r.ConvertErrors > before.convertErrors) wanted = png ? 60 : 330;
    else if (r.Status == "Web site dir unavailable" || r.Status.rfind("Error getting file", 0) == 0) wanted = 60;
    if (wanted < 0) return;
    EXPECT_GE(retry, wanted) << r.BaseName << " " << r.Status;
    EXPECT_LE(retry, wanted + kSlack) << r.BaseName << " " << r.Status;
  }
  std::map<std::string, Turn> last_;
};

std::set<std::string> Leftovers(const std::string& folder, const std::set<std::string>& allowedExtensions) {
  std::set<std::string> left;
  for (const auto& e : fs::directory_iterator(folder)) {
    const std::string name = e.path().filename().string();
    const std::string ext = UpperCase(ExtractFileExt(name));
    const bool log = name.size() > 12 && name.substr(name.size() - 12) == "ErrorLog.txt";
    if (!log && !allowedExtensions.count(ext)) left.insert(name);
  }
  return left;
}

}  // namespace

TEST(SimulatedWeek, TwoStationsRideOutEveryFaultOfTheFeedAndLeaveNothingBehind) {
  ResetProcessState();
  const long long start = (std::time(nullptr) / kFrameSeconds) * kFrameSeconds + 30;
  FakeClock clock(DateTimeOf(start), 0);
  ScopedClock useClock(clock);
  TempDir work;
  FeedProcess feed({"--frame-seconds", std::to_string(kFrameSeconds), "--sites", "LOT", "--national-size",
                    "340x160", "--composite-size", "5000x2000", "--listing-zone", "utc", "--stall-seconds", "2",
                    "--lifetime", "3600"},
                   work.Path());
  feed.SetClock(start);

  Station server(false, clock, feed.BaseUrl()), client(true, clock, feed.BaseUrl());
  SmallDisk disk(server.Underlays());
  server.Start({server.Target(), client.Target()});
  client.Start({client.Target()});

  struct Seen {
    std::map<std::string, int> downloadErrors, convertErrors;
    std::map<std::string, long long> lastImage;
    std::set<std::string> statuses;
  };
  auto snapshot = [&](Seen& s) {
    for (int i = 0; i < server.Records().Count(); ++i) {
      const TRadarObj& r = server.Records().Objects(i);
      s.downloadErrors[r.BaseName] = r.DownloadErrors;
      s.convertErrors[r.BaseName] = r.ConvertErrors;
      s.lastImage[r.BaseName] = EpochOf(r.LastImage);
      s.statuses.insert(r.Status);
    }
  };

  Conversions serverDone, clientDone;
  RetryCheck retries;
  long long memoryAfterDay1 = 0;
  std::string dailyKiB;  // resident size at the end of each day
  int descriptorsAfterDay1 = 0, ticks = 0, faultsInjected = 0;
  struct Injected {
    const Fault* fault;
    long long end;
    Seen seen;
  };
  std::vector<Injected> during;
  const Fault* active = nullptr;
  size_t nextFault = 0;
  long long frame = start / kFrameSeconds;
  Seen atFaultStart, afterDay1;

  // OMBRIX_SIMULATED_HOURS shortens the week while working on it.
  const char* hoursWanted = std::getenv("OMBRIX_SIMULATED_HOURS");
  const long long length = hoursWanted ? std::atoll(hoursWanted) * kHour : 7 * kDay;
  for (long long now = start; now < start + length; now = EpochOf(clock.UtcNow())) {
    if (now / kFrameSeconds != frame) {
      frame = now / kFrameSeconds;
      feed.SetClock(frame * kFrameSeconds);
    }
    if (!active && nextFault < std::size(kFaults) && now >= start + kDay + kFaults[nextFault].startHour * kHour) {
      const Fault& f = kFaults[nextFault++];
      active = &f;
      ++faultsInjected;
      if (std::string(f.mode) == "full-disk") {
        if (!disk.Mounted()) std::printf("week: no small disk can be mounted here; the full-disk fault is left out\n");
        disk.Fill();
      } else {
        feed.SetMode(f.mode, f.match, f.count);
      }
      atFaultStart = {};
      snapshot(atFaultStart);
      during.push_back({&f, now + f.minutes * 60, Seen{}});
    }
    if (active && now >= during.back().end) {
      if (std::string(active->mode) == "full-disk") disk.Free();
      else feed.SetMode("normal");
      Seen& seen = during.back().seen;
      snapshot(seen);  // counters at the end; statuses gathered below
      for (auto& [base, n] : seen.downloadErrors) {
        seen.downloadErrors[base] = n - atFaultStart.downloadErrors[base];
        seen.convertErrors[base] -= atFaultStart.convertErrors[base];
      }
      active = nullptr;
    }

    server.Run(kTickMs);
    client.Run(0);
    ++ticks;
    serverDone.Note(server.Records());
    retries.Note(server.Records());
    clientDone.Note(client.Records());
    if (active) snapshot(during.back().seen);
    if ((now - start) / kDay != (now - start + kTickMs / 1000) / kDay) dailyKiB += " " + std::to_string(ResidentKiB());
    if (now < start + kDay && now + kTickMs / 1000 >= start + kDay) {
      memoryAfterDay1 = ResidentKiB();
      descriptorsAfterDay1 = OpenDescriptors();
      snapshot(afterDay1);
    }
  }

  // The first day, with the feed well, is clean on both sides.
  for (auto& [base, n] : afterDay1.downloadErrors) {
    EXPECT_EQ(n, 0) << base << " had download errors on a quiet day; the log:\n" << server.LogText();
    EXPECT_EQ(afterDay1.convertErrors[base], 0) << base;
  }

  // Every fault showed, and every record recovered in time.
  if (length == 7 * kDay) {
    EXPECT_EQ(during.size(), std::size(kFaults));
  }
  for (const auto& [fault, faultEnd, seen] : during) {
    SCOPED_TRACE(std::string(fault->mode) + " on '" + fault->match + "'");
    if (std::string(fault->mode) == "full-disk" && !disk.Mounted()) continue;
    if (*fault->statusSeen) {
      bool shown = false;
      for (const std::string& s : seen.statuses) shown |= s.rfind(fault->statusSeen, 0) == 0;
      EXPECT_TRUE(shown) << "no record showed \"" << fault->statusSeen << "\"";
    }
    int downloadErrors = 0, convertErrors = 0;
    for (const auto& [base, n] : seen.downloadErrors) downloadErrors += n;
    for (const auto& [base, n] : seen.convertErrors) convertErrors += n;
    if (std::string(fault->mode) != "full-disk") {
      EXPECT_GT(fault->convertErrors ? convertErrors : downloadErrors, 0);
    }
    // A record that had not yet taken the newest image when the fault ended
    // takes it; one that had takes the next.
    const long long frameAtEnd = faultEnd / kFrameSeconds * kFrameSeconds;
    long long slowest = 0;
    for (const auto& [base, lastImage] : seen.lastImage) {
      const long long newest = lastImage < frameAtEnd ? frameAtEnd : frameAtEnd + kFrameSeconds;
      const long long deadline = std::max(faultEnd, newest + kLongestLead) + kLongestRetry;
      const long long serverTook = serverDone.FirstAt(base, faultEnd);
      EXPECT_NE(serverTook, -1) << base << " never recovered";
      EXPECT_LE(serverTook, deadline) << base << " recovered " << serverTook - faultEnd << " s after the fault";
      const long long clientTook = clientDone.FirstAt(base, serverTook);
      EXPECT_NE(clientTook, -1) << base << " never reached the client again";
      EXPECT_LE(clientTook - serverTook, kClientRetry) << base;
      if (serverTook >= 0 && clientTook >= 0) slowest = std::max(slowest, clientTook - std::max(faultEnd, newest));
    }
    std::set<std::string> failures;  // cut before times and paths
    for (const std::string& st : seen.statuses)
      if (st != "OK" && st.rfind("Waiting for new", 0) != 0) {
        std::string f = st.substr(0, st.find('/'));
        while (!f.empty() && (f.back() == ' ' || std::isdigit(static_cast<unsigned char>(f.back())))) f.pop_back();
        failures.insert(f);
      }
    std::string shown;
    for (const std::string& f : failures) shown += " \"" + f + "\"";
    std::printf("week: %s '%s': %d download and %d conversion errors, every record on both stations had the image within %lld s of the fault's end or of the image's time;%s\n",
                fault->mode, fault->match, downloadErrors, convertErrors, slowest, shown.c_str());
  }

  // Nothing left behind: the program folders hold their own files, the
  // underlay folders underlays, their bounds and the history.
  for (Station* s : {&server, &client}) {
    const std::set<std::string> appLeft = Leftovers(s->App(), {".INI", ".TXT"});
    EXPECT_TRUE(appLeft.empty()) << (s->Client() ? "client" : "server") << " folder: " << *appLeft.begin();
  }
  std::set<std::string> underlayExtensions = {".BMP", ".SAT"};
  for (int i = 1; i <= 9; ++i) underlayExtensions.insert("." + std::to_string(i));
  const std::set<std::string> serverLeft = Leftovers(server.Underlays(), underlayExtensions);
  EXPECT_TRUE(serverLeft.empty()) << *serverLeft.begin();
  // The client may hold the drop of the last pass not yet converted.
  std::set<std::string> clientLeft = Leftovers(client.Underlays(), underlayExtensions);
  for (const char* raw : {".GIF", ".GFW", ".PNG", ".WLD"})
    std::erase_if(clientLeft, [&](const std::string& n) { return UpperCase(ExtractFileExt(n)) == raw; });
  EXPECT_TRUE(clientLeft.empty()) << *clientLeft.begin();

  const long long memoryAtEnd = ResidentKiB();
  const int descriptorsAtEnd = OpenDescriptors();
  EXPECT_EQ(descriptorsAtEnd, descriptorsAfterDay1);
#ifndef __SANITIZE_ADDRESS__  // its quarantine holds freed memory on purpose
  EXPECT_LT(memoryAtEnd - memoryAfterDay1, 4096) << "KiB grown from the first day to the last";
#endif
  size_t serverConversions = 0, clientConversions = 0;
  for (auto& [base, times] : serverDone.at) serverConversions += times.size();
  for (auto& [base, times] : clientDone.at) clientConversions += times.size();
  std::printf("week: %d ticks, %d and %d passes, %d faults, %zu server and %zu client conversions, %d and %d redraws, "
              "%d turns' timing checked; resident %lld KiB after day 1, %lld KiB at the end (each day:%s); "
              "descriptors %d and %d\n",
              ticks, server.passes, client.passes, faultsInjected, serverConversions, clientConversions, server.Redraws(), client.Redraws(),
              retries.checked, memoryAfterDay1, memoryAtEnd, dailyKiB.c_str(), descriptorsAfterDay1, descriptorsAtEnd);
}
