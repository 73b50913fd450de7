// The Wine host fixture: a simulated UI-View32 and PMapServer in the real
// registry and file system of the Wine prefix the caller runs in. Every
// piece is optional so each edge case of discovery can be set up; Clear()
// removes every key a setup may have written. Used in-process by the Wine
// tests and, through host-fixture.exe, by scripts (make run, end-to-end).
#pragma once
#include <optional>
#include <string>
#include <vector>

namespace ombrix::test {

struct SimulatedPMap {
  std::string name = "PMapServer7";  // the class key is name + ".clsMapServ"
  std::string folder;                // installation folder, trailing "\"
  std::string clsid;                 // empty: a fixed one per name
  bool classKey = true;
  bool inprocServer = true;
  bool createFolder = true;
  bool underlays = true;                // "PMap Underlays\" below the folder
  std::optional<std::string> underlay;  // name + ".ini" [SETUP] UNDERLAY
  bool createUnderlayFile = false;      // write a small bitmap at that path
};

struct SimulatedHost {
  std::optional<std::string> uiViewFolder;  // "Program Folder" (created)
  std::optional<std::string> lastMap;       // UiView32.ini [MAPS] LAST_MAP
  std::string doubleDll;                    // register the UI-View32 double
  std::string simExe;                       // or the simulated UI-View32 EXE
  std::vector<SimulatedPMap> pmaps;
};

constexpr const char* kUiViewDoubleDll = "UiView32Double.dll";

// Removes the UI-View32 key, the PMapServer class keys named PMAPSERVER6,
// PMAPSERVER7 and any others set up by this process, and their CLSID keys.
void ClearSimulatedHost();
// Clears, then writes every piece asked for. Throws std::runtime_error.
void SetUpSimulatedHost(const SimulatedHost& host);
// Registers only the UI-View32 double (InprocServer32, apartment threaded).
void RegisterUiViewDouble(const std::string& dllPath);
// Registers the simulated UI-View32 as a local server with its type library
// (runs "EXE /RegServer"). Throws std::runtime_error.
void RegisterUiViewSim(const std::string& exePath);
// Removes either registration.
void UnregisterUiViewDouble();

}  // namespace ombrix::test
