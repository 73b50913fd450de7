// A simulated UI-View32 and PMapServer installation in a temporary folder,
// registered in a FakeRegistry: the portable twin of the Wine host fixture.
#pragma once
#include <optional>
#include <string>

#include "host/Registry.h"
#include "support/TempDir.h"

namespace ombrix::test {

class FakeHost {
 public:
  TempDir dir;
  FakeRegistry registry;

  // A native folder path below dir, with trailing delimiter, created.
  std::string Folder(const std::string& relative);

  // UI-View32's registry key pointing at dir + "UI-View32"; lastMap, when
  // given, goes into UiView32.ini as [MAPS] LAST_MAP (no ini otherwise).
  std::string InstallUiView(std::optional<std::string> lastMap);

  struct PMapOptions {
    bool classKey = true;        // "<name>.clsMapServ\Clsid"
    bool inprocServer = true;    // "CLSID\{...}\InprocServer32"
    bool folder = true;          // the installation folder
    bool underlays = true;       // "PMap Underlays\"
    std::optional<std::string> underlay;  // [SETUP] UNDERLAY (no ini when absent)
  };
  // Installs PMapServer under name (e.g. "PMapServer7"); returns its folder.
  std::string InstallPMap(const std::string& name, const PMapOptions& options);
  std::string InstallPMap(const std::string& name) { return InstallPMap(name, PMapOptions{}); }
  // name's folder + "PMap Underlays" + backslash, as discovery spells it.
  std::string UnderlaysOf(const std::string& name) { return dir.Path() + name + kSep + "PMap Underlays\\"; }

  static constexpr char kSep =
#ifdef _WIN32
      '\\';
#else
      '/';
#endif
};

}  // namespace ombrix::test
