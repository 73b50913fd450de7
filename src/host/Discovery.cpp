#include "host/Discovery.h"

#include <exception>

#include "util/FileUtil.h"
#include "util/ProfileFile.h"
#include "util/StrUtil.h"

namespace ombrix {

namespace {

std::string ReadProfile(const std::string& path, const std::string& section, const std::string& key) {
  return OpenProfileFile(ResolvePath(path))->ReadString(section, key, "");
}

std::string CutBeforeFirstDot(const std::string& text) {
  size_t dot = text.find('.');
  return dot == std::string::npos ? text : text.substr(0, dot);
}

// The server step: take the installation registered as serverName, its
// underlay folder, settings file and underlay.
void UseServer(Registry& registry, HostState& state, const std::string& serverName, const std::string& iniName) {
  std::string found = FindPMapServerFolder(registry, serverName);
  // An empty result must not probe "PMap Underlays\" in the current folder.
  if (found.empty()) return;
  if (DirectoryExists(found)) state.PMapServerPath = found;
  if (!DirectoryExists(found + "PMap Underlays\\")) return;
  state.PMapUnderlayPath = found + "PMap Underlays\\";
  state.PMapServerIni = state.PMapServerPath + iniName;
  std::string underlay = ReadProfile(state.PMapServerIni, "SETUP", "UNDERLAY");
  state.UnderlayName = underlay.empty() ? std::string() : ExtractFileName(underlay);
  // The underlay actually in use decides the local target folder.
  if (!underlay.empty() && FileExists(underlay)) state.PMapUnderlayPath = ExtractFilePath(underlay);
}

}  // namespace

std::string ReadLastMap(const std::string& folder) {
  std::string result = "-1";
  if (DirectoryExists(folder) && FileExists(folder + "Uiview32.ini"))
    result = ReadProfile(folder + "UiView32.ini", "MAPS", "LAST_MAP");
  return result;
}

std::string FindPMapServerFolder(Registry& registry, const std::string& serverName) {
  try {
    std::string name = serverName;
    if (StartsWith(name, "!!")) name.erase(0, 2);
    size_t dot = name.find('.');
    if (dot != std::string::npos) name.erase(dot + 1);
    if (!name.empty() && name.back() != '.') name += '.';
    std::string clsid;
    if (!registry.ReadString(RegRoot::ClassesRoot, "\\" + name + "clsMapServ\\Clsid\\", "", clsid)) return "";
    if (clsid.empty()) return "";
    std::string module;
    if (!registry.ReadString(RegRoot::ClassesRoot, "\\CLSID\\" + clsid + "\\InprocServer32\\", "", module))
      return "";
    return ExtractFilePath(module);
  } catch (const std::exception&) {
    return "";
  }
}

void DiscoverHost(Registry& registry, HostState& state) {
  try {
    state.LastMap.clear();
    std::string folder;
    if (registry.ReadString(RegRoot::CurrentUser, kUiViewRegistryKey, "Program Folder", folder)) {
      state.UiViewFolder = folder;
      state.LastMap = ReadLastMap(state.UiViewFolder);
      std::string file = ExtractFileName(state.LastMap);
      size_t dot = file.find('.');
      state.MapName = dot == std::string::npos ? std::string() : file.substr(0, dot);
      if (state.MapName.find("!!") != std::string::npos) state.MapName.erase(0, 2);
      size_t bangs = state.LastMap.find("!!");
      if (bangs != std::string::npos && UpperCase(state.LastMap).find("PMAPSERVE") != std::string::npos) {
        std::string server = CutBeforeFirstDot(state.LastMap.substr(bangs + 2, 50));
        UseServer(registry, state, server, server + ".ini");
      }
    }
    if (!DirectoryExists(state.PMapServerPath)) UseServer(registry, state, "PMAPSERVER7", "PMAPSERVER7.ini");
    if (!DirectoryExists(state.PMapServerPath)) UseServer(registry, state, "PMAPSERVER6", "PMAPSERVER6.ini");
  } catch (const std::exception&) {
    // Discovery reports nothing; the status texts show how far it got.
  }
}

}  // namespace ombrix
