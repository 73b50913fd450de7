#include "MapWindow.h"

#include <cstdio>
#include <cstdlib>

#include "host/Discovery.h"
#include "host/Registry.h"
#include "util/FileUtil.h"

namespace uiview32_sim {

namespace {

const char* const kClassName = "UiView32SimMap";
const char* const kTitle = "UI-View32 (simulated) - PMapServer7";

// "left,top,right,bottom" of a bounds file, as the program writes it.
bool ReadBounds(const std::string& path, double out[4]) {
  std::string text;
  if (!ombrix::ReadWholeFile(path, text)) return false;
  const char* p = text.c_str();
  for (int i = 0; i < 4; ++i) {
    char* end = nullptr;
    out[i] = std::strtod(p, &end);
    if (end == p) return false;
    p = end + (*end == ',' ? 1 : 0);
  }
  return out[2] > out[0] && out[1] > out[3];
}

std::string TimeNow() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.wHour, t.wMinute, t.wSecond);
  return text;
}

}  // namespace

MapWindow::MapWindow(HINSTANCE instance) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = &MapWindow::Proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = nullptr;
  wc.lpszClassName = kClassName;
  RegisterClassA(&wc);
  // Beside Ombrix's window (594 wide at the top left in the demo), not under it.
  const int screen = GetSystemMetrics(SM_CXSCREEN);
  const int width = screen - 600 >= 400 ? (screen - 600 < 720 ? screen - 600 : 720) : 720;
  const int left = screen - 600 >= 400 ? 600 : CW_USEDEFAULT;
  hwnd_ = CreateWindowA(kClassName, kTitle, WS_OVERLAPPEDWINDOW, left, 0, width, 520, nullptr, nullptr, instance,
                        this);
  LoadUnderlay();
  ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
  UpdateWindow(hwnd_);
}

MapWindow::~MapWindow() {
  if (underlay_) DeleteObject(underlay_);
  if (hwnd_) DestroyWindow(hwnd_);
}

void MapWindow::LoadUnderlay() {
  // Where PMapServer's underlay is, found as the program finds it.
  ombrix::HostState host;
  auto registry = ombrix::OpenSystemRegistry();
  ombrix::DiscoverHost(*registry, host);
  underlayPath_ = host.UnderlayName.empty() ? std::string() : host.PMapUnderlayPath + host.UnderlayName;
  if (underlay_) DeleteObject(underlay_);
  underlay_ = underlayPath_.empty() ? nullptr
                                    : static_cast<HBITMAP>(LoadImageA(nullptr, underlayPath_.c_str(), IMAGE_BITMAP,
                                                                      0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
  std::string boundsPath = underlayPath_.substr(0, underlayPath_.find_last_of('.') + 1) + "Sat";
  hasBounds_ = !underlayPath_.empty() && ReadBounds(boundsPath, bounds_);
  // The title says what is shown, for the user and for tests.
  std::string title = std::string(kTitle) + " - " + (host.UnderlayName.empty() ? "no underlay" : host.UnderlayName);
  if (!underlay_) title += " (not loaded)";
  SetWindowTextA(hwnd_, title.c_str());
}

void MapWindow::Redraw() {
  ++redraws_;
  lastCall_ = "RedrawMap " + std::to_string(redraws_) + " at " + TimeNow();
  LoadUnderlay();
  InvalidateRect(hwnd_, nullptr, FALSE);
}

void MapWindow::Zoom(double west, double north, double east, double south) {
  if (east > west && north > south) {
    view_[0] = west, view_[1] = north, view_[2] = east, view_[3] = south;
    hasView_ = true;
  }
  char text[160];
  std::snprintf(text, sizeof text, "ZoomToArea %.2f %.2f %.2f %.2f at %s", west, north, east, south,
                TimeNow().c_str());
  lastCall_ = text;
  InvalidateRect(hwnd_, nullptr, FALSE);
}

void MapWindow::Close() {
  if (hwnd_) PostMessageA(hwnd_, WM_CLOSE, 0, 0);
}

void MapWindow::Paint(HDC dc, const RECT& client) {
  HBRUSH land = CreateSolidBrush(RGB(222, 214, 186));
  FillRect(dc, &client, land);
  DeleteObject(land);
  const int statusHeight = 20;
  RECT map = client;
  map.bottom -= statusHeight;
  if (underlay_) {
    BITMAP bm{};
    GetObjectA(underlay_, sizeof bm, &bm);
    // Without bounds the underlay is shown at its own size.
    RECT dest = {map.left, map.top, map.left + bm.bmWidth, map.top + bm.bmHeight};
    if (hasBounds_) {
      // The view: what ZoomToArea asked for, else the underlay's own area.
      const double* v = hasView_ ? view_ : bounds_;
      double sx = (map.right - map.left) / (v[2] - v[0]);
      double sy = (map.bottom - map.top) / (v[1] - v[3]);
      dest.left = map.left + static_cast<LONG>((bounds_[0] - v[0]) * sx);
      dest.right = map.left + static_cast<LONG>((bounds_[2] - v[0]) * sx);
      dest.top = map.top + static_cast<LONG>((v[1] - bounds_[1]) * sy);
      dest.bottom = map.top + static_cast<LONG>((v[1] - bounds_[3]) * sy);
    }
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(source, underlay_);
    SetStretchBltMode(dc, COLORONCOLOR);
    HRGN clip = CreateRectRgnIndirect(&map);
    SelectClipRgn(dc, clip);
    StretchBlt(dc, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top, source, 0, 0, bm.bmWidth,
               bm.bmHeight, SRCCOPY);
    SelectClipRgn(dc, nullptr);
    DeleteObject(clip);
    SelectObject(source, old);
    DeleteDC(source);
  }
  RECT status = client;
  status.top = status.bottom - statusHeight;
  FillRect(dc, &status, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  std::string text = (underlayPath_.empty() ? std::string("no underlay selected") : underlayPath_) + "  |  " +
                     (hasBounds_ ? "" : "no bounds  |  ") + lastCall_;
  SetBkMode(dc, TRANSPARENT);
  TextOutA(dc, status.left + 4, status.top + 2, text.c_str(), static_cast<int>(text.size()));
}

LRESULT CALLBACK MapWindow::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<MapWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_NCCREATE:
      SetWindowLongPtrA(hwnd, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams));
      break;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT client;
      GetClientRect(hwnd, &client);
      // Drawn off screen first, so a redraw does not flicker.
      HDC buffer = CreateCompatibleDC(dc);
      HBITMAP canvas = CreateCompatibleBitmap(dc, client.right, client.bottom);
      HGDIOBJ old = SelectObject(buffer, canvas);
      if (self) self->Paint(buffer, client);
      BitBlt(dc, 0, 0, client.right, client.bottom, buffer, 0, 0, SRCCOPY);
      SelectObject(buffer, old);
      DeleteObject(canvas);
      DeleteDC(buffer);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_DESTROY:
      if (self) self->hwnd_ = nullptr;
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace uiview32_sim
