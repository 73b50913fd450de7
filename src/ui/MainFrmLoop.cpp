// TMain's radar loop and zoom, wired to RadarLoop, and the idle WldTimer.
#include "app/ProcessState.h"
#include "ui/MainFrmAdapters.h"

namespace ombrix {

void TMain::InitRadarLoop() {
  loopHost_ = std::make_unique<LoopHost>(*this);
  radarLoop_ = std::make_unique<RadarLoop>(*loopHost_);
}

void TMain::Timer1Timer() { radarLoop_->Tick(); }
void TMain::LoopRadar1Click() { radarLoop_->Request(); }
void TMain::RadarZoom1Click() { radarLoop_->Zoom(); }
bool TMain::LoopRequested() const { return radarLoop_->requested; }

// No request ever runs on WldCli; its timer still ends one that would. The
// time-out flag is shared with RidgeCli's fetch, so it is set only for a
// request on WldCli: set while a download runs (its first fire comes
// WebTimeOut seconds after start, inside the first pass when that is 10 s or
// more), it made a good download report "timed out" and fail.
void TMain::WldTimerTimer() {
  WldTimer->SetEnabled(false);
  if (WldCli && WldCli->State() != httpReady) {
    FetchTimedOut = true;
    WldCli->AbortRequest();
  }
}

}  // namespace ombrix
