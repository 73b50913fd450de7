// The radar loop and zoom of the tray menu: the one-second tick that keeps
// the "Loop" and "Zoom" items in step with the download list and starts a
// requested loop, the loop that plays the underlay's history in UI-View32,
// and the zoom to the underlay's area.
#pragma once
#include <string>

#include "app/ServerSettings.h"
#include "records/RadarList.h"

namespace ombrix {

// What the loop reads and writes of the window and the host.
class LoopWindow {
 public:
  virtual ~LoopWindow() = default;
  virtual const TRadarList& Records() = 0;
  virtual const ServerSettings& Servers() = 0;
  virtual std::string MapName() = 0;           // UI-View32's current map
  virtual std::string UnderlayFolder() = 0;    // the local PMap Underlays folder
  virtual std::string UnderlayName() = 0;      // the underlay PMapServer draws
  virtual bool PassRunning() = 0;              // the scheduler's timer is held
  virtual void SetLoopTimerEnabled(bool enabled) = 0;
  virtual void SetLoopCaption(const std::string& text) = 0;  // LoopLbl
  virtual void SetTimeCaption(const std::string& text) = 0;  // TimeLbl
  virtual void SetMemoryCaption(const std::string& text, bool warning) = 0;  // HeapLbl
  virtual void SetZoomItem(const std::string& caption, bool enabled) = 0;
  virtual void SetZoomItemEnabled(bool enabled) = 0;
  virtual void SetLoopItemCaption(const std::string& caption) = 0;
  virtual void SetLoopItemEnabled(bool enabled) = 0;
  virtual void RefreshUiViewStatus() = 0;
  virtual void ProcessMessages() = 0;
  virtual void ClickRedraw() = 0;  // the Redraw map button
  // Throws when UI-View32 cannot be reached; the caller shows the error.
  virtual void ZoomToArea(double west, double north, double east, double south) = 0;
};

// A record's short name in captions and matching: "CONUS" or "USRAD" for
// the national composites, "Nat" (in the tick only) for a "latest" image,
// else its BaseName.
std::string LoopShortName(const TRadarObj& record, const ServerSettings& servers, bool natRule);

class RadarLoop {
 public:
  explicit RadarLoop(LoopWindow& window) : w_(window) {}

  // Timer1's tick; also run once by the tray menu's opening.
  void Tick();
  // "Loop Radar" chosen: the next tick plays the loop.
  void Request();
  // Plays every history image of the underlay at path, oldest first, then
  // puts the current one back; names are restored on every way out.
  void Play(const std::string& path);
  // "Radar Zoom" chosen.
  void Zoom();

  bool requested = false;  // LoopRequested

 private:
  LoopWindow& w_;
};

}  // namespace ombrix
