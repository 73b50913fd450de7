// Host discovery: what the program finds of UI-View32 and PMapServer, and
// the status texts it would show.
#include <cstdio>
#include <memory>

#include "Command.h"
#include "host/Discovery.h"
#include "host/TargetList.h"
#include "ui/MainFrm.h"
#include "util/FakeEventLoop.h"
#include "util/FileUtil.h"
#include "util/StrUtil.h"

namespace ombrix::tool {
namespace {

// "HKCU\key<TAB>name<TAB>value" per line ("HKCR\..." for classes; an empty
// name is the default value): a registry for trying discovery on Linux.
std::unique_ptr<FakeRegistry> LoadRegistryFile(const std::string& path) {
  std::string content;
  if (!ReadWholeFile(path, content)) throw UsageError{"cannot read " + path};
  auto reg = std::make_unique<FakeRegistry>();
  for (const std::string& line : ParseTargetList(content)) {
    if (Trim(line).empty() || line[0] == '#') continue;
    size_t tab1 = line.find('\t'), tab2 = tab1 == std::string::npos ? tab1 : line.find('\t', tab1 + 1);
    if (tab2 == std::string::npos) throw UsageError{"registry line needs KEY TAB NAME TAB VALUE: " + line};
    std::string key = line.substr(0, tab1);
    RegRoot root;
    if (StartsWithText(key, "HKCU\\")) root = RegRoot::CurrentUser;
    else if (StartsWithText(key, "HKCR\\")) root = RegRoot::ClassesRoot;
    else throw UsageError{"registry key must start with HKCU\\ or HKCR\\: " + key};
    reg->SetString(root, key.substr(5), line.substr(tab1 + 1, tab2 - tab1 - 1), line.substr(tab2 + 1));
  }
  return reg;
}

int Discover(const Args& args) {
  RequireArgs(args, 0, 2);
  std::unique_ptr<Registry> registry;
  if (args.empty()) {
    registry = OpenSystemRegistry();
  } else {
    if (args[0] != "--registry" || args.size() != 2) throw UsageError{"expected --registry FILE"};
    registry = LoadRegistryFile(args[1]);
  }
  FakeClock clock;
  FakeEventLoop loop(clock);
  Platform platform;
  platform.loop = &loop;
  platform.registry = registry.get();
  TMain main(platform, ExecutableDir());
  main.TrayCaption = "Underlay NOT Selected in UiView";
  main.UpdateUiViewStatus();
  auto show = [](const char* name, const std::string& value) { std::printf("%-17s %s\n", name, value.c_str()); };
  show("UiViewFolder", Host.UiViewFolder);
  show("LastMap", Host.LastMap);
  show("MapName", Host.MapName);
  show("PMapServerPath", Host.PMapServerPath);
  show("PMapUnderlayPath", Host.PMapUnderlayPath);
  show("PMapServerIni", Host.PMapServerIni);
  show("UnderlayName", Host.UnderlayName);
  show("UvULbl", main.UvULbl.caption);
  show("RedrawChk", main.RedrawChk.caption + (main.RedrawChk.enabled ? "" : " (disabled)"));
  show("TrayCaption", main.TrayCaption);
  show("LoopRadar1", main.LoopRadar1.caption);
  return Host.PMapUnderlayPath.empty() ? 1 : 0;
}

}  // namespace

OMBRIX_COMMAND("discover", "[--registry FILE]",
               "UI-View32 and PMapServer as the program finds them (exit 1 without an underlay folder)", Discover);

}  // namespace ombrix::tool
