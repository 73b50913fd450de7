// UI-View32's automation object as both test doubles serve it: clsUIV with
// the two methods Ombrix calls (virtual-table slots 35 and 36) and the event
// interface through a connection point. Every call is appended with its
// arguments to a log file; events are raised on request:
//   - by the host (the DLL's exports, the EXE's window);
//   - from another process, through lines in a command file ("raise N",
//     "quit") that a timer on the creating thread picks up.
// The log is %UIVIEW32_DOUBLE_LOG%, else UiView32Double.log beside the
// host module; the command file is the log's path with ".cmd" for ".log".
#pragma once
#include <windows.h>
#include <unknwn.h>

#include <functional>
#include <string>

namespace uiview32_double {

extern const CLSID kClsid;     // clsUIV
extern const IID kIid;         // _clsUIV
extern const IID kEventIid;    // the event dispinterface
extern const GUID kTypeLibId;  // the library the EXE registers for marshalling

// The module the default log sits beside (the DLL or the EXE).
void SetHostModule(HINSTANCE module);
std::string LogPath();
void Log(const std::string& line);

// What a host does besides logging; all run on the object's thread.
struct Hooks {
  std::function<void()> redrawMap;
  std::function<void(double west, double north, double east, double south)> zoomToArea;
  std::function<void()> quit;      // after the closing event went out
  std::function<void()> lastGone;  // the last object was released
};
Hooks& HostHooks();

// The class factory of clsUIV (static; never freed).
IClassFactory* Factory();
// Objects alive now.
long LiveObjects();
// On the newest live object: raise an event with the arguments UI-View32
// sends for it, or shut down (raise 3, then fail every call).
HRESULT RaiseOnNewest(int dispid);
HRESULT QuitNewest();
// Asks every subscribed client whether it is still there (a cheap call on
// its event sink): S_OK when one answered, S_FALSE when none subscribed,
// E_FAIL when all have vanished without letting go (a killed process).
HRESULT ProbeClients();

}  // namespace uiview32_double
