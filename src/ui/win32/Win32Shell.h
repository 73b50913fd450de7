// The desktop shell for the window: ShellExecute, WinHelp and the About box.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>

#include "ui/ShellCommands.h"

namespace ombrix {

// ownerWindow() gives the window dialogs belong to (may be null).
std::unique_ptr<ShellCommands> CreateWin32Shell(std::function<HWND()> ownerWindow);

}  // namespace ombrix
