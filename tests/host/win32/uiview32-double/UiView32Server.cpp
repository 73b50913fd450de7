#include "UiView32Server.h"

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>
#include <oleauto.h>

#include <cstdio>
#include <string>
#include <vector>

namespace uiview32_double {

const CLSID kClsid = {0x33CFA0BD, 0x2826, 0x11D4, {0x82, 0xE8, 0x00, 0xC0, 0xDF, 0x46, 0x4F, 0xC9}};
const IID kIid = {0x84C49058, 0x9EE9, 0x48B0, {0xBE, 0x81, 0x51, 0x6B, 0xC8, 0x6F, 0x63, 0x89}};
const IID kEventIid = {0x209E1020, 0x55A8, 0x48D5, {0x82, 0xE3, 0xA6, 0xF4, 0x87, 0xD2, 0xB3, 0xE7}};
// Ours, not UI-View32's: only the simulated station registers it.
const GUID kTypeLibId = {0x5E7A0032, 0x0000, 0x4000, {0x80, 0x00, 0x55, 0x49, 0x56, 0x33, 0x32, 0x01}};

namespace {

const HRESULT kServerGone = static_cast<HRESULT>(0x80010108L);  // RPC_E_DISCONNECTED
HINSTANCE g_module = nullptr;
LONG g_live = 0;

}  // namespace

void SetHostModule(HINSTANCE module) { g_module = module; }

Hooks& HostHooks() {
  static Hooks hooks;
  return hooks;
}

long LiveObjects() { return g_live; }

std::string LogPath() {
  char buf[MAX_PATH];
  DWORD n = GetEnvironmentVariableA("UIVIEW32_DOUBLE_LOG", buf, sizeof buf);
  if (n > 0 && n < sizeof buf) return buf;
  GetModuleFileNameA(g_module, buf, sizeof buf);
  std::string path = buf;
  return path.substr(0, path.find_last_of('\\') + 1) + "UiView32Double.log";
}

namespace {

std::string CommandPath() {
  std::string path = LogPath();
  size_t dot = path.rfind('.');
  return (dot == std::string::npos ? path : path.substr(0, dot)) + ".cmd";
}

}  // namespace

void Log(const std::string& line) {
  if (FILE* f = std::fopen(LogPath().c_str(), "ab")) {
    std::fprintf(f, "%s\r\n", line.c_str());
    std::fclose(f);
  }
}

namespace {

std::string Hex(HRESULT hr) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08lX", static_cast<unsigned long>(hr));
  return buf;
}

class Server;
Server* g_server = nullptr;  // the newest live instance, for the controls

// The dual interface's layout: IDispatch, 28 methods Ombrix never calls,
// then ZoomToArea (35) and RedrawMap (36).
struct IClsUIV : public IDispatch {
#define UNUSED_SLOT(n) \
  virtual HRESULT STDMETHODCALLTYPE Unused##n() { return E_NOTIMPL; }
  UNUSED_SLOT(7) UNUSED_SLOT(8) UNUSED_SLOT(9) UNUSED_SLOT(10) UNUSED_SLOT(11) UNUSED_SLOT(12) UNUSED_SLOT(13)
  UNUSED_SLOT(14) UNUSED_SLOT(15) UNUSED_SLOT(16) UNUSED_SLOT(17) UNUSED_SLOT(18) UNUSED_SLOT(19) UNUSED_SLOT(20)
  UNUSED_SLOT(21) UNUSED_SLOT(22) UNUSED_SLOT(23) UNUSED_SLOT(24) UNUSED_SLOT(25) UNUSED_SLOT(26) UNUSED_SLOT(27)
  UNUSED_SLOT(28) UNUSED_SLOT(29) UNUSED_SLOT(30) UNUSED_SLOT(31) UNUSED_SLOT(32) UNUSED_SLOT(33) UNUSED_SLOT(34)
#undef UNUSED_SLOT
  virtual HRESULT STDMETHODCALLTYPE ZoomToArea(double* west, double* north, double* east, double* south,
                                               VARIANT_BOOL* flag, short* unused) = 0;
  virtual HRESULT STDMETHODCALLTYPE RedrawMap() = 0;
};

class Server final : public IClsUIV, public IConnectionPointContainer, public IConnectionPoint {
 public:
  Server() {
    InterlockedIncrement(&g_live);
    g_server = this;
    timer_ = SetTimer(nullptr, 0, 200, &Server::PollCommands);
    Log("create");
  }

  // IUnknown (one identity for all three interfaces)
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, kIid))
      *out = static_cast<IClsUIV*>(this);
    else if (IsEqualIID(riid, IID_IConnectionPointContainer))
      *out = static_cast<IConnectionPointContainer*>(this);
    else if (IsEqualIID(riid, IID_IConnectionPoint))
      *out = static_cast<IConnectionPoint*>(this);
    if (!*out) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    LONG left = InterlockedDecrement(&refs_);
    if (left == 0) {
      Log("destroy");
      if (timer_) KillTimer(nullptr, timer_);
      if (g_server == this) g_server = nullptr;
      delete this;
      if (InterlockedDecrement(&g_live) == 0 && HostHooks().lastGone) HostHooks().lastGone();
    }
    return static_cast<ULONG>(left);
  }

  // IDispatch: not used by Ombrix, which calls through the virtual table.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
    if (n) *n = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

  HRESULT STDMETHODCALLTYPE ZoomToArea(double* west, double* north, double* east, double* south, VARIANT_BOOL* flag,
                                       short*) override {
    char line[256];
    std::snprintf(line, sizeof line, "ZoomToArea %.17g %.17g %.17g %.17g %d", *west, *north, *east, *south,
                  static_cast<int>(*flag));
    Log(line);
    if (gone_) return kServerGone;
    if (HostHooks().zoomToArea) HostHooks().zoomToArea(*west, *north, *east, *south);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE RedrawMap() override {
    Log(gone_ ? "RedrawMap (gone)" : "RedrawMap");
    if (gone_) return kServerGone;
    if (HostHooks().redrawMap) HostHooks().redrawMap();
    return S_OK;
  }

  // IConnectionPointContainer
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(riid, kEventIid)) return CONNECT_E_NOCONNECTION;
    *out = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }

  // IConnectionPoint
  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override {
    *iid = kEventIid;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** out) override {
    *out = static_cast<IConnectionPointContainer*>(this);
    AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override {
    IDispatch* events = nullptr;
    // Like a real server: ask the sink for the event interface itself.
    if (FAILED(sink->QueryInterface(kEventIid, reinterpret_cast<void**>(&events))) || !events) {
      Log("Advise refused");
      return CONNECT_E_CANNOTCONNECT;
    }
    sinks_.push_back(events);
    *cookie = static_cast<DWORD>(sinks_.size());
    Log("Advise " + std::to_string(*cookie));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
    if (cookie == 0 || cookie > sinks_.size() || !sinks_[cookie - 1]) return CONNECT_E_NOCONNECTION;
    sinks_[cookie - 1]->Release();
    sinks_[cookie - 1] = nullptr;
    Log("Unadvise " + std::to_string(cookie));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

  // Raises an event with the arguments UI-View32 sends for it.
  void Raise(int dispid) {
    std::vector<VARIANT> args;  // first to last
    std::vector<BSTR> strings;
    static float lat = 38.5f, lon = -92.25f;
    static short port = 1;
    auto str = [&](const wchar_t* text) {
      strings.push_back(SysAllocString(text));
      VARIANT v;
      VariantInit(&v);
      v.vt = VT_BSTR | VT_BYREF;
      v.pbstrVal = &strings.back();
      args.push_back(v);
    };
    strings.reserve(16);
    if (dispid == 2) {
      str(L"N0CALL");
      VARIANT v;
      VariantInit(&v);
      v.vt = VT_R4 | VT_BYREF;
      v.pfltVal = &lat;
      args.push_back(v);
      v.pfltVal = &lon;
      args.push_back(v);
    } else if (dispid == 11) {
      str(L"N0FROM");
      str(L"N0TO");
      str(L"WIDE2-2");
      VARIANT v;
      VariantInit(&v);
      v.vt = VT_I2 | VT_BYREF;
      v.piVal = &port;
      args.push_back(v);
      str(L"Hello");
      str(L"001");
      str(L"MSG");
    }
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPPARAMS params = {reversed.empty() ? nullptr : reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    std::vector<IDispatch*> live;
    for (IDispatch* s : sinks_)
      if (s) live.push_back(s);
    for (IDispatch* s : live) {
      s->AddRef();
      HRESULT hr = s->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr,
                             nullptr);
      s->Release();
      Log("event " + std::to_string(dispid) + " args " + std::to_string(args.size()) + " -> " + Hex(hr));
    }
    if (live.empty()) Log("event " + std::to_string(dispid) + " no sink");
    for (BSTR b : strings) SysFreeString(b);
  }

  HRESULT Probe() {
    bool any = false, answered = false;
    for (IDispatch* s : sinks_) {
      if (!s) continue;
      any = true;
      UINT count = 0;
      if (SUCCEEDED(s->GetTypeInfoCount(&count))) answered = true;
    }
    return !any ? S_FALSE : answered ? S_OK : E_FAIL;
  }

  // UI-View32 shutting down: it says so, then stops answering.
  void Quit() {
    Log("quit");
    Raise(3);
    gone_ = true;
    if (HostHooks().quit) HostHooks().quit();
  }

 private:
  static void CALLBACK PollCommands(HWND, UINT, UINT_PTR, DWORD) {
    std::string path = CommandPath();
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return;
    std::string text;
    char buf[256];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    std::fclose(f);
    DeleteFileA(path.c_str());
    size_t pos = 0;
    while (pos < text.size() && g_server) {
      size_t end = text.find_first_of("\r\n", pos);
      if (end == std::string::npos) end = text.size();
      std::string line = text.substr(pos, end - pos);
      pos = end + 1;
      if (line.rfind("raise ", 0) == 0)
        g_server->Raise(std::atoi(line.c_str() + 6));
      else if (line == "quit")
        g_server->Quit();
    }
  }

  LONG refs_ = 1;
  bool gone_ = false;
  UINT_PTR timer_ = 0;
  std::vector<IDispatch*> sinks_;
};

class ServerFactory : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
      *out = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
    if (outer) return CLASS_E_NOAGGREGATION;
    Server* server = new Server;
    HRESULT hr = server->QueryInterface(riid, out);
    server->Release();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

ServerFactory g_factory;

}  // namespace

IClassFactory* Factory() { return &g_factory; }

HRESULT RaiseOnNewest(int dispid) {
  if (!g_server) return E_FAIL;
  g_server->Raise(dispid);
  return S_OK;
}

HRESULT ProbeClients() { return g_server ? g_server->Probe() : S_FALSE; }

HRESULT QuitNewest() {
  if (!g_server) return E_FAIL;
  g_server->Quit();
  return S_OK;
}

}  // namespace uiview32_double

