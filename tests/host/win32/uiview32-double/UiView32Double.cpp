// UI-View32's automation server as an in-process COM server DLL, for tests
// under Wine only (see UiView32Server.h). Besides the command file, tests in
// the same process raise events through UiView32DoubleRaise and
// UiView32DoubleQuit.
#include <windows.h>

#include "UiView32Server.h"

using namespace uiview32_double;

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) SetHostModule(instance);
  return TRUE;
}

__declspec(dllexport) HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** out) {
  if (!IsEqualCLSID(clsid, kClsid)) return CLASS_E_CLASSNOTAVAILABLE;
  return Factory()->QueryInterface(riid, out);
}

// Stays loaded: the log and the controls outlive single objects.
__declspec(dllexport) HRESULT WINAPI DllCanUnloadNow() { return S_FALSE; }

__declspec(dllexport) HRESULT WINAPI UiView32DoubleRaise(int dispid) { return RaiseOnNewest(dispid); }

__declspec(dllexport) HRESULT WINAPI UiView32DoubleQuit() { return QuitNewest(); }
}
