// Program entry: one instance only, then the main window and its message
// loop until the window closes.
#include <windows.h>

#include <exception>
#include <memory>

#include "app/win32/ProgramEntry.h"
#include "host/Registry.h"
#include "host/UiViewLink.h"
#include "host/win32/UIView32_TLB.h"
#include "ui/Dialogs.h"
#include "ui/MainFrm.h"
#include "ui/win32/MainWindow.h"
#include "ui/win32/Win32Shell.h"
#include "util/win32/Win32EventLoop.h"

using namespace ombrix;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  if (!ClaimSingleInstance()) return 0;

  ComApartment com;  // the automation link to UI-View32 lives on this thread
  Win32EventLoop loop;
  MainWindow* shell = nullptr;
  std::unique_ptr<Registry> registry = OpenSystemRegistry();
  std::unique_ptr<Dialogs> dialogs =
      CreateSystemDialogs([&shell]() -> void* { return shell ? shell->Handle() : nullptr; });
  std::unique_ptr<UiViewLink> uiView = CreateUiViewLink();
  std::unique_ptr<ShellCommands> shellCommands =
      CreateWin32Shell([&shell]() -> HWND { return shell ? shell->Handle() : nullptr; });

  Platform platform;
  platform.loop = &loop;
  platform.beep = [] { MessageBeep(0); };
  platform.registry = registry.get();
  platform.dialogs = dialogs.get();
  platform.uiView = uiView.get();
  platform.shell = shellCommands.get();
  platform.closeMainWindow = [&shell] {
    if (shell) shell->PostClose();
  };
  try {
    TMain form(platform, ExecutableFolder());
    MainWindow window(form, &loop);
    shell = &window;
    window.Show();
    loop.Run();
    shell = nullptr;
  } catch (const std::exception& e) {
    shell = nullptr;
    MessageBoxA(nullptr, e.what(), kApplicationTitle, MB_OK | MB_ICONERROR);
    return 1;
  }
  return 0;
}
