// The automation link to UI-View32 as the window logic sees it: two calls
// and one event. The Win32 flavour implements it with TclsUIV
// (host/win32/UIView32_TLB.h); tests use FakeUiViewLink.
#pragma once
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

namespace ombrix {

// A failed connect or call; what() is the text shown to the user.
struct UiViewError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class UiViewLink {
 public:
  virtual ~UiViewLink() = default;
  // Attaches to a running UI-View32, else starts one. Does nothing when
  // already connected. Throws UiViewError.
  virtual void Connect() = 0;
  virtual void Disconnect() = 0;
  // Each connects first when no connection is held; throws UiViewError.
  virtual void RedrawMap() = 0;
  virtual void ZoomToArea(double west, double north, double east, double south) = 0;

  // Event 3 of UI-View32's event interface; the only one handled.
  std::function<void()> OnUIView32IsClosing;
};

// The platform's link: TclsUIV on Windows, one that never connects elsewhere.
std::unique_ptr<UiViewLink> CreateUiViewLink();

// Records calls and fails on request.
class FakeUiViewLink : public UiViewLink {
 public:
  bool connectFails = false;  // Connect throws
  bool callsFail = false;     // RedrawMap and ZoomToArea throw
  bool connected = false;
  int connects = 0, disconnects = 0, redraws = 0, zooms = 0;
  double west = 0, north = 0, east = 0, south = 0;

  void Connect() override;
  void Disconnect() override;
  void RedrawMap() override;
  void ZoomToArea(double w, double n, double e, double s) override;
  // What UI-View32 does when it shuts down.
  void RaiseClosing() {
    if (OnUIView32IsClosing) OnUIView32IsClosing();
  }
};

}  // namespace ombrix
