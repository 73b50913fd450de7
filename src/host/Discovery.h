// Where UI-View32 and PMapServer live, which map UI-View32 shows and which
// underlay PMapServer draws, read from their registry entries and settings
// files only (never over automation). Repeated at every status refresh so a
// map or underlay chosen in either program is picked up without a restart.
#pragma once
#include <string>

#include "host/Registry.h"

namespace ombrix {

// Folder values other than UiViewFolder end in a backslash (or the
// platform's delimiter); file names are appended to them directly.
struct HostState {
  std::string UiViewFolder;      // as stored by UI-View32, used as it stands
  std::string LastMap;           // [MAPS] LAST_MAP, "-1" without UiView32.ini
  std::string MapName;           // display name of UI-View32's current map
  std::string PMapServerPath;    // the PMapServer installation in use
  std::string PMapUnderlayPath;  // the local target folder
  std::string PMapServerIni;     // the settings file the underlay was read from
  std::string UnderlayName;      // file name of the underlay PMapServer draws
};

// The one instance every reader sees.
inline HostState Host;

constexpr const char* kUiViewRegistryKey = "\\Software\\VB and VBA Program Settings\\Peak Systems\\UI-View32\\";

// LAST_MAP of the UI-View32 installed in folder, or "-1".
std::string ReadLastMap(const std::string& folder);

// Installation folder (with trailing delimiter) of the PMapServer registered
// under serverName, or "" when any step fails.
std::string FindPMapServerFolder(Registry& registry, const std::string& serverName);

// Refreshes state; never fails outward, an error leaves it as far as it got.
void DiscoverHost(Registry& registry, HostState& state = Host);

}  // namespace ombrix
