// UiView32Sim.exe: a simulated UI-View32 that is a process of its own, like
// the real one, for the end-to-end tests and the demo under Wine. It serves
// clsUIV as a local COM server (calls and events cross processes through
// the registered type library), logs every call as the in-process double
// does (see uiview32-double/UiView32Server.h), and shows a map window with
// PMapServer's current underlay.
//   UiView32Sim /RegServer     register it (LocalServer32, type library)
//   UiView32Sim /UnregServer   remove that registration
//   UiView32Sim -Embedding     started by COM for a client: ends when the
//                              last object is released
//   UiView32Sim                started by hand: runs until its window is
//                              closed, then tells its clients it is closing
#include <windows.h>

#include <cstdio>
#include <stdexcept>
#include <string>

#include "../uiview32-double/UiView32Server.h"
#include "MapWindow.h"
#include "SimRegistration.h"

using namespace uiview32_double;

namespace {

std::string ExePath() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  return std::string(path, n);
}

bool HasSwitch(const std::string& commandLine, const char* name) {
  std::string lower;
  for (char c : commandLine) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return lower.find(std::string("/") + name) != std::string::npos ||
         lower.find(std::string("-") + name) != std::string::npos;
}

uiview32_sim::MapWindow* g_watched = nullptr;
int g_idleSeconds = 0;

// Ends the server 10 s after its last object went, or once every client
// that subscribed has vanished.
void CALLBACK WatchClients(HWND, UINT, UINT_PTR, DWORD) {
  g_idleSeconds = LiveObjects() == 0 ? g_idleSeconds + 2 : 0;
  if (g_watched && (g_idleSeconds >= 10 || ProbeClients() == E_FAIL)) g_watched->Close();
}

int Register(bool add) {
  try {
    if (add)
      uiview32_sim::RegisterServer(ExePath());
    else
      uiview32_sim::UnregisterServer();
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "UiView32Sim: %s\n", e.what());
    return 1;
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  std::string args = commandLine ? commandLine : "";
  if (FAILED(CoInitialize(nullptr))) return 3;
  if (HasSwitch(args, "regserver") || HasSwitch(args, "unregserver")) {
    int rc = Register(HasSwitch(args, "regserver"));
    CoUninitialize();
    return rc;
  }
  const bool embedded = HasSwitch(args, "embedding");
  SetHostModule(instance);

  uiview32_sim::MapWindow map(instance);
  bool saidClosing = false;
  Hooks& hooks = HostHooks();
  hooks.redrawMap = [&] { map.Redraw(); };
  hooks.zoomToArea = [&](double w, double n, double e, double s) { map.Zoom(w, n, e, s); };
  hooks.quit = [&] {
    saidClosing = true;
    map.Close();
  };
  // Started for a client: nothing left to serve once it let go.
  hooks.lastGone = [&] {
    if (embedded) map.Close();
  };

  DWORD cookie = 0;
  if (FAILED(CoRegisterClassObject(kClsid, Factory(), CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie))) {
    std::fprintf(stderr, "UiView32Sim: cannot register clsUIV (run it with /RegServer first)\n");
    CoUninitialize();
    return 2;
  }

  // Started for a client, it must not outlive it: COM here does not tell a
  // server that a client process died, and a leftover server would hold the
  // output pipes of whatever started that client.
  g_watched = &map;
  if (embedded) SetTimer(nullptr, 0, 2000, &WatchClients);

  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  // Closed by its user: UI-View32 tells its clients before it goes.
  CoRevokeClassObject(cookie);
  if (!saidClosing) QuitNewest();
  hooks = Hooks{};
  g_watched = nullptr;
  CoUninitialize();
  return 0;
}
