// FetchFile: one URL into one local file over RidgeCli, with RidgeTimer as
// the inactivity time-out. The verdict goes to FetchOK; progress and results
// go to the labels and the status bar.
#pragma once
#include <string>

#include "acquire/AcquisitionHost.h"
#include "net/HttpClient.h"

namespace ombrix {

class FileFetcher {
 public:
  // Installs its handlers on the client's events and the timer.
  FileFetcher(AcquireView view, AcquisitionHost& host, THttpClient& ridgeCli, Timer& ridgeTimer);

  // Fetches url into localPath; an HTTP error goes to recordStatus (the
  // record's Status).
  void FetchFile(const std::string& url, const std::string& localPath, std::string& recordStatus);
  bool ClientReady() const { return cli_.State() == httpReady; }
  void AbortIfBusy();  // errors of the abort are ignored

  void RidgeCliDocData(THttpClient& sender);
  void RidgeCliStateChange(THttpClient& sender);
  void RidgeCliSocketError();
  void RidgeTimerTimer();

 private:
  AcquireView view_;
  AcquisitionHost& host_;
  THttpClient& cli_;
  Timer& timer_;
};

}  // namespace ombrix
