// The simulated UI-View32's map: the underlay PMapServer is set to draw,
// placed by its bounds file, over a plain background. RedrawMap reloads it
// from disk; ZoomToArea moves the view to the area asked for.
#pragma once
#include <windows.h>

#include <string>

namespace uiview32_sim {

class MapWindow {
 public:
  // Creates and shows the window; closing it posts WM_QUIT.
  explicit MapWindow(HINSTANCE instance);
  ~MapWindow();
  MapWindow(const MapWindow&) = delete;
  MapWindow& operator=(const MapWindow&) = delete;

  void Redraw();  // re-reads the underlay and its bounds
  void Zoom(double west, double north, double east, double south);
  void Close();
  HWND Handle() const { return hwnd_; }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  void Paint(HDC dc, const RECT& client);
  void LoadUnderlay();

  HWND hwnd_ = nullptr;
  HBITMAP underlay_ = nullptr;
  std::string underlayPath_;
  int redraws_ = 0;
  bool hasBounds_ = false;
  double bounds_[4] = {};  // left, top, right, bottom of the underlay
  bool hasView_ = false;
  double view_[4] = {};  // west, north, east, south shown
  std::string lastCall_ = "waiting for Ombrix";
};

}  // namespace uiview32_sim
