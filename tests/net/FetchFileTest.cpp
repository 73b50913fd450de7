// FetchFile on a real TMain and real sockets: the verdict, the labels, the
// status bar, the record status and the log for each way a transfer ends.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/ErrorLog.h"
#include "app/ProcessState.h"
#include "net/NetTestSupport.h"
#include "support/ScriptedServer.h"
#include "support/TempDir.h"
#include "ui/MainFrm.h"
#include "util/FileUtil.h"

using namespace ombrix;
using namespace ombrix::test;

namespace {

std::string Pattern(size_t n) {
  std::string s(n, ' ');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>('0' + i % 71);
  return s;
}

struct FetchFixture {
  TempDir dir;
  PlatformLoop loop;
  TMain main{Platform{&loop, {}}, dir.Path()};
  Watchdog watchdog{loop, *main.RidgeCli, 30000};
  std::string status = "Waiting for new file";
  std::vector<std::string> stateTrail;
  std::string path = dir / "image.gif";

  explicit FetchFixture(unsigned webTimeOutMs = 7000) {
    ResetProcessState();
    main.RidgeTimer->SetInterval(webTimeOutMs);
    auto shown = main.RidgeCli->OnStateChange;
    main.RidgeCli->OnStateChange = [this, shown](THttpClient& c) {
      shown(c);
      stateTrail.push_back(main.StateLbl.caption);
    };
    TheErrorLogConfig().folder = dir.Path();
    TheErrorLogConfig().enabled = true;
  }
  ~FetchFixture() { TheErrorLogConfig().enabled = false; }

  void Fetch(const std::string& url) { main.FetchFile(url, path, status); }
  std::string Log() {
    for (const FoundFile& f : FindFiles(dir / "R*ErrorLog.txt")) return ReadFile(dir / f.name);
    return "";
  }
};

}  // namespace

TEST(FetchFile, SuccessfulFetchLeavesTheFileAndSaysSo) {
  std::string body = Pattern(40000);
  ScriptedServer server({Script().Send(HttpResponse(200, "OK", body))});
  FetchFixture f;
  WriteFile(f.path, "previous download");
  std::string url = server.BaseUrl() + "/ridge/RadarImg/N0R/LOT/";
  f.Fetch(url);
  EXPECT_TRUE(FetchOK);
  EXPECT_FALSE(FetchBusy);
  EXPECT_FALSE(FetchTimedOut);
  EXPECT_EQ(ReadFile(f.path), body);
  EXPECT_EQ(f.main.StatLbl.caption, "200");
  EXPECT_EQ(f.main.FileLbl.caption.rfind("Attempting download of " + url + " at ", 0), 0u);
  EXPECT_EQ(f.main.RidgeLbl.caption.rfind(url + " received 40000 b in ", 0), 0u) << f.main.RidgeLbl.caption;
  EXPECT_NE(f.main.RidgeLbl.caption.find(" sec at "), std::string::npos);
  EXPECT_EQ(f.main.Sbar.panels[0], "Successfully downloaded " + url);
  EXPECT_EQ(f.main.StateLbl.caption, "Ready");
  EXPECT_EQ(f.main.Shape1.brushColour, clLime);
  EXPECT_EQ(f.status, "Waiting for new file");
  std::vector<std::string> trail = {"Not connected", "DNS Lookup", "DNS Lookup done", "Connected",
                                    "Waiting for header", "Waiting for body", "State unknown", "Ready"};
  EXPECT_EQ(f.stateTrail, trail);
  EXPECT_EQ(f.Log(), "");
}

TEST(FetchFile, HeadersThenSilenceIsAbortedAfterWebTimeOut) {
  ScriptedServer server({Script().Send("HTTP/1.0 200 OK\r\nContent-Length: 5000\r\n\r\n").Hold()});
  FetchFixture f(1000);
  std::string url = server.BaseUrl() + "/silent.gif";
  f.Fetch(url);
  EXPECT_FALSE(FetchOK);
  EXPECT_FALSE(FetchBusy);
  EXPECT_FALSE(FetchTimedOut);
  EXPECT_FALSE(f.watchdog.fired);
  EXPECT_EQ(f.main.Sbar.panels[0], url + " download timed out");
  EXPECT_FALSE(FileExists(f.path));  // nothing arrived: no 0-byte file stays
  EXPECT_EQ(f.status, "Waiting for new file");  // a time-out is not the server's error
  EXPECT_NE(f.Log().find(url + " download timed out"), std::string::npos);
  EXPECT_EQ(f.stateTrail[f.stateTrail.size() - 2], "Aborting");
  EXPECT_EQ(f.main.RidgeCli->State(), httpReady);
}

TEST(FetchFile, SlowSteadyTransferOutlastingWebTimeOutSucceeds) {
  // 300 kB in 150 pieces 10 ms apart: far longer than the 1 s time-out in
  // total, never silent for long.
  std::string body = Pattern(300000);
  ScriptedServer server({Script().Drip(HttpResponse(200, "OK", body), 2000, 10)});
  FetchFixture f(1000);
  f.Fetch(server.BaseUrl() + "/slow.gif");
  EXPECT_TRUE(FetchOK);
  EXPECT_EQ(ReadFile(f.path), body);
  EXPECT_EQ(f.main.RidgeLbl.caption.rfind(server.BaseUrl() + "/slow.gif received 300000 b in ", 0), 0u);
}

TEST(FetchFile, EmptyOrMisSizedBodiesFail) {
  struct Case {
    std::string response;
    bool ok;
    long long size;  // file left behind, -1 none
  };
  std::vector<Case> cases = {
      {HttpResponse(200, "OK", ""), false, -1},
      {HttpResponse(200, "OK", "", {}, false), false, -1},
      {"HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n" + Pattern(1200), false, 1000},
      // Shorter than announced: a cut-off transfer, not a usable file.
      {"HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n" + Pattern(800), false, 800},
      {"HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n" + Pattern(1000), true, 1000},
      {"HTTP/1.0 200 OK\r\n\r\n" + Pattern(800), true, 800},
      // Chunked: cut before the final zero-size chunk fails, complete succeeds.
      {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10\r\n" + Pattern(16) + "\r\n", false, 16},
      {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10\r\n" + Pattern(16) + "\r\n0\r\n\r\n", true, 16},
  };
  for (const Case& c : cases) {
    ScriptedServer server({Script().Send(c.response)});
    FetchFixture f;
    std::string url = server.BaseUrl() + "/x.gif";
    f.Fetch(url);
    SCOPED_TRACE(c.response.substr(0, 60));
    EXPECT_EQ(FetchOK, c.ok);
    EXPECT_EQ(FileSize(f.path), c.size);
    EXPECT_EQ(f.main.Sbar.panels[0], c.ok ? "Successfully downloaded " + url : url + " download failed");
  }
}

TEST(FetchFile, HttpErrorGoesToTheRecordStatusAndTheLog) {
  ScriptedServer server({Script().Send(HttpResponse(404, "Not Found", "<html>missing</html>"))});
  FetchFixture f;
  std::string url = server.BaseUrl() + "/missing.gif";
  f.Fetch(url);
  EXPECT_FALSE(FetchOK);
  EXPECT_FALSE(FetchBusy);
  EXPECT_EQ(f.status, "Error 404 Not Found");
  EXPECT_EQ(f.main.RidgeLbl.caption, url + " Exception : 404 Not Found");
  EXPECT_EQ(f.main.Sbar.panels[0], url + " Exception : 404 Not Found");
  EXPECT_EQ(f.main.StatLbl.caption, "404");
  EXPECT_NE(f.Log().find(url + " Exception : 404 Not Found"), std::string::npos);
}

TEST(FetchFile, NetworkFailuresEndTheFetchWithTheirReasons) {
  {
    // A reset in the middle of the body.
    ScriptedServer server(
        {Script().Send("HTTP/1.0 200 OK\r\nContent-Length: 90000\r\n\r\n" + Pattern(30000)).PauseMs(100).Reset()});
    FetchFixture f;
    std::string url = server.BaseUrl() + "/reset.gif";
    f.Fetch(url);
    EXPECT_FALSE(FetchOK);
    EXPECT_EQ(f.main.Sbar.panels[0], url + " download failed");
  }
  {
    FetchFixture f;
    std::string url = "http://127.0.0.1:" + std::to_string(UnusedPort()) + "/refused.gif";
    f.Fetch(url);
    EXPECT_FALSE(FetchOK);
    EXPECT_EQ(f.status, "Error 404 Connection refused (Error #10061)");
    EXPECT_FALSE(FileExists(f.path));
  }
  {
    FetchFixture f;
    f.Fetch("http://radar.example.invalid/ridge/x.gif");
    EXPECT_FALSE(FetchOK);
    EXPECT_EQ(f.status, "Error 404 can't resolve hostname to IP address");
    EXPECT_EQ(f.main.Shape1.brushColour, clLime);
  }
}

TEST(FetchFile, ProxyIsTakenFromTheSettingsValues) {
  std::string body = Pattern(5000);
  ScriptedServer server({Script().Send(HttpResponse(200, "OK", body))});
  ScriptedProxy proxy(server.Port());
  FetchFixture f;
  f.main.Servers.ProxyHost = "127.0.0.1";
  f.main.Servers.ProxyPort = std::to_string(proxy.Port());
  f.Fetch("http://radar.example.invalid/ridge/RadarImg/");
  EXPECT_TRUE(FetchOK);
  EXPECT_EQ(ReadFile(f.path), body);
  ASSERT_EQ(proxy.Requests().size(), 1u);
  EXPECT_EQ(proxy.Requests()[0].rfind("GET http://radar.example.invalid/ridge/RadarImg/ HTTP/1.0\r\n", 0), 0u);
}

TEST(FetchFile, TimeOutBelowOneSecondCountsAsOneSecond) {
  ScriptedServer server({Script().Send("HTTP/1.0 200 OK\r\n\r\nab").Hold()});
  FetchFixture f(0);  // 0 would never cut a stalled transfer off
  f.Fetch(server.BaseUrl() + "/");
  EXPECT_FALSE(FetchOK);
  EXPECT_EQ(f.main.RidgeTimer->Interval(), 1000u);
  EXPECT_FALSE(f.watchdog.fired);
  EXPECT_EQ(FileSize(f.path), 2);  // what arrived stays when the verdict is false
}

TEST(FetchFile, ClosingDuringAFetchEndsItPromptly) {
  ScriptedServer server({Script().Send("HTTP/1.0 200 OK\r\n\r\nab").Hold()});
  FetchFixture f;
  Timer closer(f.loop, 200, true, [&] {
    closer.SetEnabled(false);
    FetchTimedOut = true;  // what the close logic does
    f.main.RidgeCli->AbortRequest();
  });
  f.Fetch(server.BaseUrl() + "/");
  EXPECT_FALSE(FetchOK);
  EXPECT_FALSE(f.watchdog.fired);
  EXPECT_EQ(f.main.RidgeCli->State(), httpReady);
}
