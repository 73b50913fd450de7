// FetchFile: one URL into one local file over RidgeCli, with RidgeTimer as
// the inactivity time-out. The verdict goes to FetchOK; progress and results
// go to the labels and the status bar.
#include <cstdio>
#include <memory>

#include "app/ErrorLog.h"
#include "app/ProcessState.h"
#include "net/HttpClient.h"
#include "net/Stream.h"
#include "ui/MainFrm.h"
#include "util/Clock.h"
#include "util/FileUtil.h"

namespace ombrix {

namespace {

std::string TimeText(TDateTime t) { return FormatDateTime(DateTimePattern::Time, t); }

void SetPanel0(StatusBar& bar, const std::string& text) {
  if (bar.panels.empty()) bar.panels.resize(1);
  bar.panels[0] = text;
}

void RestartTimer(Timer& timer) {
  // Below a second a stalled transfer would be cut off before a slow server
  // could answer at all, and 0 would never cut it off: one second at least.
  if (timer.Interval() < 1000) timer.SetInterval(1000);
  timer.SetEnabled(false);
  timer.SetEnabled(true);
}

}  // namespace

void TMain::InitHttpClients() {
  RidgeCli = std::make_unique<THttpClient>(Loop());
  WldCli = std::make_unique<THttpClient>(Loop());
  RidgeCli->OnDocData = [this](THttpClient& c, const char* d, int n) { RidgeCliDocData(c, d, n); };
  RidgeCli->OnStateChange = [this](THttpClient& c) { RidgeCliStateChange(c); };
  RidgeCli->OnSocketError = [this](THttpClient& c, int e) { RidgeCliSocketError(c, e); };
  RidgeTimer->SetOnTimer([this] { RidgeTimerTimer(); });
}

void TMain::FetchFile(const std::string& url, const std::string& localPath, std::string& recordStatus) {
  FetchBusy = true;
  FetchOK = false;
  StatLbl.caption = "...";
  FetchSocketError = false;
  std::unique_ptr<TFileStream> stream;

  // Always, also after an error or an exception.
  auto endSteps = [&] {
    FetchBusy = false;
    RidgeTimer->SetEnabled(false);
    FetchTimedOut = false;
    if (stream) stream->Close();
    RidgeCli->RcvdStream = nullptr;
    stream.reset();
    if (FileExists(localPath) && FileSize(localPath) == 0) {
      FetchOK = false;
      DeleteFileAt(localPath);
    }
  };

  try {
    if (FileExists(localPath)) DeleteFileAt(localPath);
    FileLbl.caption = "Attempting download of " + url + " at " + TimeText(LocalNow());
    RidgeCli->URL = url;
    RidgeCli->Proxy = Servers.ProxyHost;
    RidgeCli->ProxyPort = Servers.ProxyPort;
    stream = std::make_unique<TFileStream>(localPath);
    RidgeCli->RcvdStream = stream.get();
    RidgeLbl.caption = "Loading " + url;
    FetchTimedOut = false;
    RestartTimer(*RidgeTimer);
    const TDateTime start = LocalNow();
    auto verdictSteps = [&] {
      RidgeTimer->SetEnabled(false);
      const bool timedOut = FetchTimedOut;
      const long long size = stream->Size();
      DateTimeParts elapsed = DecodeDateTime(LocalNow() - start);
      char seconds[32];
      std::snprintf(seconds, sizeof seconds, "%d.%03d", elapsed.second, elapsed.millisecond);
      RidgeLbl.caption = url + " received " + std::to_string(size) + " b in " + seconds + " sec at " +
                         TimeText(LocalNow());
      // With an announced length the body must be exactly that long, and a
      // chunked one must reach its final chunk: anything else is a cut-off
      // transfer (a reset that the stack reported as a close, a proxy that
      // gave up) and must not be converted.
      const long long announced = RidgeCli->ContentLength();
      bool verdict = RidgeCli->State() == httpReady && !FetchSocketError && size > 0 && !timedOut &&
                     !RidgeCli->BodyCut() &&
                     (announced <= 0 || (size == announced && RidgeCli->ExcessCount() == 0));
      FetchOK = verdict;
      if (verdict) SetPanel0(Sbar, "Successfully downloaded " + url);
      else if (timedOut) SetPanel0(Sbar, url + " download timed out");
      else SetPanel0(Sbar, url + " download failed");
      return timedOut;
    };
    try {
      RidgeCli->SyncGet();
      StatLbl.caption = std::to_string(RidgeCli->StatusCode());
      ProcessMessages();
      verdictSteps();
    } catch (const EHttpException& e) {
      if (FetchTimedOut) {
        // Our own time-out (or the closing window) aborted the request: that
        // is a time-out, not an answer from the server.
        StatLbl.caption = std::to_string(RidgeCli->StatusCode());
        verdictSteps();
        LogError(Sbar.panels[0]);
      } else {
        RidgeLbl.caption = url + " Exception : " + std::to_string(e.ErrorCode) + " " + e.what();
        StatLbl.caption = std::to_string(e.ErrorCode);
        recordStatus = "Error " + std::to_string(e.ErrorCode) + " " + e.what();
        RidgeTimer->SetEnabled(false);
        FetchTimedOut = FetchBusy = FetchOK = false;
        SetPanel0(Sbar, RidgeLbl.caption);
        LogError(RidgeLbl.caption);
      }
    }
  } catch (...) {
    endSteps();
    throw;
  }
  endSteps();
}

void TMain::RidgeCliDocData(THttpClient& sender, const char*, int) {
  RestartTimer(*RidgeTimer);
  RidgeLbl.caption = "Receiving " + sender.URL + " " + std::to_string(sender.RcvdCount()) + " b";
}

void TMain::RidgeCliStateChange(THttpClient& sender) {
  const char* text = nullptr;
  switch (sender.State()) {
    case httpReady: text = "Ready"; break;
    case httpNotConnected: text = "Not connected"; break;
    case httpConnected: text = "Connected"; break;
    case httpDnsLookup: text = "DNS Lookup"; break;
    case httpDnsLookupDone: text = "DNS Lookup done"; break;
    case httpWaitingHeader: text = "Waiting for header"; break;
    case httpWaitingBody: text = "Waiting for body"; break;
    case httpAborting: text = "Aborting"; break;
    default: break;
  }
  if (!text) {
    StateLbl.caption = "State unknown";
    return;
  }
  StateLbl.caption = text;
  if (sender.State() == httpReady) {
    Shape1.brushColour = clLime;
    FetchBusy = false;
  } else {
    Shape1.brushColour = clRed;
  }
}

void TMain::RidgeCliSocketError(THttpClient&, int) { FetchSocketError = true; }

void TMain::RidgeTimerTimer() {
  FetchTimedOut = true;
  RidgeTimer->SetEnabled(false);
  if (RidgeCli->State() != httpReady) {
    try {
      RidgeCli->AbortRequest();
    } catch (...) {
    }
  }
}

}  // namespace ombrix
