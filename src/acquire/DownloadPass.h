// DownloadAndProcess: one pass over the download list. In Server mode each due
// record's source is checked for a newer image, whose world file and image
// are then fetched into AppDir; in Client mode each due record goes straight
// to the pick-up of what a server dropped. The pick-up step converts.
#pragma once
#include <string>

#include "acquire/AcquisitionHost.h"
#include "acquire/PassTurn.h"
#include "acquire/ServerFilePickup.h"

namespace ombrix {

class DownloadPass {
 public:
  DownloadPass(AcquireView view, AcquisitionHost& host);
  void DownloadAndProcess();

 private:
  enum class SourceKind { Iowa, Tamu, RidgeSite, RidgeNational, Unknown };
  struct Counters {
    int downloads = 0, processed = 0, disabled = 0, notDue = 0;
  };

  void Turn(TRadarObj& record, TRadarObj& scratch);
  // Each returns false when the turn ended (written back) before the downloads.
  bool CheckListingSource(SourceKind kind, const std::string& directory, PassTurn& turn);
  bool CheckRidgeSource(SourceKind kind, const std::string& directory, PassTurn& turn);
  void FetchLegend(PassTurn& turn);
  bool Download(PassTurn& turn);
  void PassEnd(TDateTime start);
  SourceKind Classify(const std::string& directory);
  void Pump();  // pending messages, then abandons the pass when Closing
  void AbandonIfClosing();
  // Fails the turn's check: counted, shown, retried in a minute.
  void RetryInAMinute(PassTurn& turn, const std::string& status);

  AcquireView view_;
  AcquisitionHost& host_;
  ServerFilePickup pickup_;
  // Pass-wide values
  bool client_ = false;
  double localOffset_ = 0;
  std::string workingFolder_;
  Counters counters_;
  std::string processedNames_;
  std::string legendName_;  // the last legend name computed in this pass
  int conversionStep_ = 0;
};

}  // namespace ombrix
