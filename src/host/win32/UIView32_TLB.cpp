#include "host/win32/UIView32_TLB.h"

#include <cstdio>
#include <string>

namespace ombrix {

const CLSID CLASS_clsUIV = {0x33CFA0BD, 0x2826, 0x11D4, {0x82, 0xE8, 0x00, 0xC0, 0xDF, 0x46, 0x4F, 0xC9}};
const IID IID__clsUIV = {0x84C49058, 0x9EE9, 0x48B0, {0xBE, 0x81, 0x51, 0x6B, 0xC8, 0x6F, 0x63, 0x89}};
const IID DIID___clsUIV = {0x209E1020, 0x55A8, 0x48D5, {0x82, 0xE3, 0xA6, 0xF4, 0x87, 0xD2, 0xB3, 0xE7}};

std::string HResultText(HRESULT hr) {
  char* text = nullptr;
  DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message;
  if (n && text) {
    message.assign(text, n);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
      message.pop_back();
  }
  if (text) LocalFree(text);
  char code[32];
  std::snprintf(code, sizeof code, "(0x%08lX)", static_cast<unsigned long>(hr));
  return message.empty() ? std::string("OLE error ") + code : message + " " + code;
}

// The IDispatch UI-View32 calls with its events. It outlives the wrapper's
// subscription: once detached, late events are accepted and dropped.
class TclsUIVEventSink final : public IDispatch {
 public:
  explicit TclsUIVEventSink(TclsUIV* owner) : owner_(owner) {}
  void Detach() { owner_ = nullptr; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, DIID___clsUIV)) {
      *out = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count) *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    if (!owner_) return S_OK;
    std::vector<VARIANT> args;
    if (params && params->rgvarg) {
      // COM hands the arguments over last first.
      for (UINT i = params->cArgs; i > 0; --i) args.push_back(params->rgvarg[i - 1]);
    }
    try {
      owner_->InvokeEvent(dispid, args);
    } catch (...) {
      // An event handler's failure must not travel back into UI-View32.
    }
    return S_OK;
  }

 private:
  LONG refs_ = 1;
  TclsUIV* owner_;
};

TclsUIV::TclsUIV() : sink_(new TclsUIVEventSink(this)) {}

TclsUIV::~TclsUIV() {
  try {
    Disconnect();
  } catch (...) {
  }
  sink_->Detach();
  sink_->Release();
}

void TclsUIV::Connect() {
  if (intf_) return;
  IUnknown* server = nullptr;
  HRESULT hr = E_FAIL;
  if (ConnectKind != ckNewInstance) {
    hr = GetActiveObject(CLASS_clsUIV, nullptr, &server);
    if (FAILED(hr)) server = nullptr;
  }
  if (!server) {
    if (ConnectKind == ckRunningInstance) throw UiViewError(HResultText(hr));
    hr = CoCreateInstance(CLASS_clsUIV, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IUnknown,
                          reinterpret_cast<void**>(&server));
    if (FAILED(hr) || !server) throw UiViewError(HResultText(hr));
  }
  // Events are a bonus: a server without the connection point still redraws.
  IConnectionPointContainer* container = nullptr;
  if (SUCCEEDED(server->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container))) &&
      container) {
    IConnectionPoint* point = nullptr;
    if (SUCCEEDED(container->FindConnectionPoint(DIID___clsUIV, &point)) && point) {
      if (SUCCEEDED(point->Advise(sink_, &cookie_)))
        point_ = point;
      else
        point->Release();
    }
    container->Release();
  }
  IUnknown* intf = nullptr;
  hr = server->QueryInterface(IID__clsUIV, reinterpret_cast<void**>(&intf));
  server->Release();
  if (FAILED(hr) || !intf) {
    if (point_) {
      point_->Unadvise(cookie_);
      point_->Release();
      point_ = nullptr;
    }
    throw UiViewError(HResultText(FAILED(hr) ? hr : E_NOINTERFACE));
  }
  intf_ = intf;
}

void TclsUIV::Disconnect() {
  if (point_) {
    point_->Unadvise(cookie_);
    point_->Release();
    point_ = nullptr;
    cookie_ = 0;
  }
  if (intf_) {
    intf_->Release();
    intf_ = nullptr;
  }
}

IUnknown* TclsUIV::DefaultInterface() {
  if (!intf_) Connect();
  if (!intf_)
    throw UiViewError(
        "DefaultInterface is NULL. Component is not connected to Server. You must call 'Connect' or 'ConnectTo' "
        "before this operation");
  return intf_;
}

namespace {

template <typename Fn>
Fn Slot(IUnknown* intf, int slot) {
  void** table = *reinterpret_cast<void***>(intf);
  return reinterpret_cast<Fn>(table[slot]);
}

}  // namespace

void TclsUIV::RedrawMap() {
  IUnknown* intf = DefaultInterface();
  using Fn = HRESULT(STDMETHODCALLTYPE*)(IUnknown*);
  HRESULT hr = Slot<Fn>(intf, kRedrawMapSlot)(intf);
  if (FAILED(hr)) throw UiViewError(HResultText(hr));
}

void TclsUIV::ZoomToArea(double west, double north, double east, double south) {
  IUnknown* intf = DefaultInterface();
  using Fn = HRESULT(STDMETHODCALLTYPE*)(IUnknown*, double*, double*, double*, double*, VARIANT_BOOL*, short*);
  VARIANT_BOOL flag = VARIANT_FALSE;
  short unused = 0;  // UI-View32's own; we give it nothing to act on
  HRESULT hr = Slot<Fn>(intf, kZoomToAreaSlot)(intf, &west, &north, &east, &south, &flag, &unused);
  if (FAILED(hr)) throw UiViewError(HResultText(hr));
}

void TclsUIV::InvokeEvent(DISPID dispid, const std::vector<VARIANT>& args) {
  if (OnAnyEvent) OnAnyEvent(dispid, args);
  if (dispid == kOnUIView32IsClosing && OnUIView32IsClosing) OnUIView32IsClosing();
}

std::unique_ptr<UiViewLink> CreateUiViewLink() { return std::make_unique<TclsUIV>(); }

}  // namespace ombrix
