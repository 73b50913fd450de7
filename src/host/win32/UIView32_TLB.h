// Client wrapper of UI-View32's automation class clsUIV: the two methods the
// program calls (through the dual interface's virtual table) and the event
// interface, of which only "UI-View32 is closing" is handled.
#pragma once
#include <windows.h>
#include <ocidl.h>
#include <oleauto.h>

#include <functional>
#include <vector>

#include "host/UiViewLink.h"

namespace ombrix {

// UI-View32's own identifiers.
extern const CLSID CLASS_clsUIV;  // {33CFA0BD-2826-11D4-82E8-00C0DF464FC9}
extern const IID IID__clsUIV;     // {84C49058-9EE9-48B0-BE81-516BC86F6389}
extern const IID DIID___clsUIV;   // {209E1020-55A8-48D5-82E3-A6F487D2B3E7}, events

// Dispatch identifiers of the events.
enum : DISPID {
  kOnDataAvailable = 1,
  kOnNotifyBeacon = 2,
  kOnUIView32IsClosing = 3,
  kOnNotifyMessage = 11,
};

// Virtual-table slots of _clsUIV (0-2 IUnknown, 3-6 IDispatch).
constexpr int kZoomToAreaSlot = 35;
constexpr int kRedrawMapSlot = 36;

enum TConnectKind { ckRunningOrNew, ckNewInstance, ckRunningInstance };

class TclsUIVEventSink;

class TclsUIV : public UiViewLink {
 public:
  TclsUIV();
  ~TclsUIV() override;
  TclsUIV(const TclsUIV&) = delete;
  TclsUIV& operator=(const TclsUIV&) = delete;

  bool AutoConnect = false;
  TConnectKind ConnectKind = ckRunningOrNew;

  void Connect() override;
  void Disconnect() override;
  void RedrawMap() override;
  void ZoomToArea(double west, double north, double east, double south) override;
  bool Connected() const { return intf_ != nullptr; }

  // Called by the sink with the arguments in first-to-last order.
  void InvokeEvent(DISPID dispid, const std::vector<VARIANT>& args);
  // Sees every event before it is dispatched (diagnostics and tests).
  std::function<void(DISPID, const std::vector<VARIANT>&)> OnAnyEvent;

 private:
  IUnknown* DefaultInterface();  // connects first when needed; throws
  IUnknown* intf_ = nullptr;
  IConnectionPoint* point_ = nullptr;
  DWORD cookie_ = 0;
  TclsUIVEventSink* sink_;
};

// Text of a failed HRESULT, as the system words it.
std::string HResultText(HRESULT hr);

// COM for the main thread: a single-threaded apartment for the life of the
// object (CoInitialize ... CoUninitialize).
class ComApartment {
 public:
  ComApartment() : ok_(SUCCEEDED(CoInitialize(nullptr))) {}
  ~ComApartment() {
    if (ok_) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool ok_;
};

}  // namespace ombrix
