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

// No request ever runs on WldCli; its timer still ends one that would.
void TMain::WldTimerTimer() {
  FetchTimedOut = true;
  WldTimer->SetEnabled(false);
  if (WldCli && WldCli->State() != httpReady) WldCli->AbortRequest();
}

}  // namespace ombrix
