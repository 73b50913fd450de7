#include "support/FakeHost.h"

#include <filesystem>

#include "host/Discovery.h"

namespace ombrix::test {

std::string FakeHost::Folder(const std::string& relative) {
  std::string path = dir.Path() + relative + kSep;
  std::filesystem::create_directories(path);
  return path;
}

std::string FakeHost::InstallUiView(std::optional<std::string> lastMap) {
  std::string folder = Folder("UI-View32");
  registry.SetString(RegRoot::CurrentUser, kUiViewRegistryKey, "Program Folder", folder);
  if (lastMap) WriteFile(folder + "UiView32.ini", "[MAIN]\r\nX=1\r\n[MAPS]\r\nLAST_MAP=" + *lastMap + "\r\n");
  return folder;
}

std::string FakeHost::InstallPMap(const std::string& name, const PMapOptions& options) {
  std::string folder = dir.Path() + name + kSep;
  std::string clsid = "{5E7A0000-0000-0000-0000-" + std::string(12 - std::min<size_t>(12, name.size()), '0') +
                      name.substr(0, 12) + "}";
  if (options.classKey) registry.SetString(RegRoot::ClassesRoot, name + ".clsMapServ\\Clsid", "", clsid);
  if (options.inprocServer)
    registry.SetString(RegRoot::ClassesRoot, "CLSID\\" + clsid + "\\InprocServer32", "", folder + name + ".dll");
  if (options.folder) Folder(name);
  if (options.folder && options.underlays) Folder(name + kSep + "PMap Underlays");
  if (options.folder && options.underlay)
    WriteFile(folder + name + ".ini", "[SETUP]\r\nUNDERLAY=" + *options.underlay + "\r\n");
  return folder;
}

}  // namespace ombrix::test
