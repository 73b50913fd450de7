#include "acquire/FileFetcher.h"

#include <cstdio>
#include <memory>

#include "app/ErrorLog.h"
#include "app/ProcessState.h"
#include "net/Stream.h"
#include "util/Clock.h"
#include "util/FileUtil.h"

namespace ombrix {

namespace {

std::string TimeText(TDateTime t) { return FormatDateTime(DateTimePattern::Time, t); }

void RestartTimer(Timer& timer) {
  // Below a second a stalled transfer would be cut off before a slow server
  // could answer at all, and 0 would never cut it off: one second at least.
  if (timer.Interval() < 1000) timer.SetInterval(1000);
  timer.SetEnabled(false);
  timer.SetEnabled(true);
}

}  // namespace

FileFetcher::FileFetcher(AcquireView view, AcquisitionHost& host, THttpClient& ridgeCli, Timer& ridgeTimer)
    : view_(view), host_(host), cli_(ridgeCli), timer_(ridgeTimer) {
  cli_.OnDocData = [this](THttpClient& c, const char*, int) { RidgeCliDocData(c); };
  cli_.OnStateChange = [this](THttpClient& c) { RidgeCliStateChange(c); };
  cli_.OnSocketError = [this](THttpClient&, int) { RidgeCliSocketError(); };
  timer_.SetOnTimer([this] { RidgeTimerTimer(); });
}

void FileFetcher::FetchFile(const std::string& url, const std::string& localPath, std::string& recordStatus) {
  FetchBusy = true;
  FetchOK = false;
  view_.StatLbl.caption = "...";
  FetchSocketError = false;
  std::unique_ptr<TFileStream> stream;

  // Always, also after an error or an exception.
  auto endSteps = [&] {
    FetchBusy = false;
    timer_.SetEnabled(false);
    FetchTimedOut = false;
    if (stream) stream->Close();
    cli_.RcvdStream = nullptr;
    stream.reset();
    if (FileExists(localPath) && FileSize(localPath) == 0) {
      FetchOK = false;
      DeleteFileAt(localPath);
    }
  };

  try {
    if (FileExists(localPath)) DeleteFileAt(localPath);
    view_.FileLbl.caption = "Attempting download of " + url + " at " + TimeText(LocalNow());
    cli_.URL = url;
    cli_.Proxy = host_.Servers().ProxyHost;
    cli_.ProxyPort = host_.Servers().ProxyPort;
    stream = std::make_unique<TFileStream>(localPath);
    cli_.RcvdStream = stream.get();
    view_.RidgeLbl.caption = "Loading " + url;
    FetchTimedOut = false;
    RestartTimer(timer_);
    const TDateTime start = LocalNow();
    auto verdictSteps = [&] {
      timer_.SetEnabled(false);
      const bool timedOut = FetchTimedOut;
      const long long size = stream->Size();
      DateTimeParts elapsed = DecodeDateTime(LocalNow() - start);
      char seconds[32];
      std::snprintf(seconds, sizeof seconds, "%d.%03d", elapsed.second, elapsed.millisecond);
      view_.RidgeLbl.caption = url + " received " + std::to_string(size) + " b in " + seconds + " sec at " +
                         TimeText(LocalNow());
      // With an announced length the body must be exactly that long, and a
      // chunked one must reach its final chunk: anything else is a cut-off
      // transfer (a reset that the stack reported as a close, a proxy that
      // gave up) and must not be converted.
      const long long announced = cli_.ContentLength();
      bool verdict = cli_.State() == httpReady && !FetchSocketError && size > 0 && !timedOut &&
                     !cli_.BodyCut() &&
                     (announced <= 0 || (size == announced && cli_.ExcessCount() == 0));
      FetchOK = verdict;
      if (verdict) view_.SetPanel(0, "Successfully downloaded " + url);
      else if (timedOut) view_.SetPanel(0, url + " download timed out");
      else view_.SetPanel(0, url + " download failed");
      return timedOut;
    };
    try {
      cli_.SyncGet();
      view_.StatLbl.caption = std::to_string(cli_.StatusCode());
      host_.ProcessMessages();
      verdictSteps();
    } catch (const EHttpException& e) {
      if (FetchTimedOut) {
        // Our own time-out (or the closing window) aborted the request: that
        // is a time-out, not an answer from the server.
        view_.StatLbl.caption = std::to_string(cli_.StatusCode());
        verdictSteps();
        LogError(view_.Sbar.panels[0]);
      } else {
        view_.RidgeLbl.caption = url + " Exception : " + std::to_string(e.ErrorCode) + " " + e.what();
        view_.StatLbl.caption = std::to_string(e.ErrorCode);
        recordStatus = "Error " + std::to_string(e.ErrorCode) + " " + e.what();
        timer_.SetEnabled(false);
        FetchTimedOut = FetchBusy = FetchOK = false;
        view_.SetPanel(0, view_.RidgeLbl.caption);
        LogError(view_.RidgeLbl.caption);
      }
    }
  } catch (...) {
    endSteps();
    throw;
  }
  endSteps();
}

void FileFetcher::RidgeCliDocData(THttpClient& sender) {
  RestartTimer(timer_);
  view_.RidgeLbl.caption = "Receiving " + sender.URL + " " + std::to_string(sender.RcvdCount()) + " b";
}

void FileFetcher::RidgeCliStateChange(THttpClient& sender) {
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
    view_.StateLbl.caption = "State unknown";
    return;
  }
  view_.StateLbl.caption = text;
  if (sender.State() == httpReady) {
    view_.Shape1.brushColour = clLime;
    FetchBusy = false;
  } else {
    view_.Shape1.brushColour = clRed;
  }
}

void FileFetcher::RidgeCliSocketError() { FetchSocketError = true; }

void FileFetcher::RidgeTimerTimer() {
  FetchTimedOut = true;
  timer_.SetEnabled(false);
  if (cli_.State() != httpReady) AbortIfBusy();
}

void FileFetcher::AbortIfBusy() {
  if (cli_.State() == httpReady) return;
  try {
    cli_.AbortRequest();
  } catch (...) {
  }
}

}  // namespace ombrix
