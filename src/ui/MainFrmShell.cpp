// TMain's window commands as the Win32 shell routes them.
#include "app/ErrorLog.h"
#include "ui/Dialogs.h"
#include "ui/MainFrm.h"

namespace ombrix {

void TMain::Close() {
  if (platform_.closeMainWindow) platform_.closeMainWindow();
}

void TMain::ShowHandlerError(const std::string& text) {
  if (platform_.dialogs) {
    platform_.dialogs->ShowMessage(text);
    return;
  }
  LogError(text);
  Beep();
}

// The three boxes only hold their state: the shell has set `checked`, the
// conversions and Add read it, and the settings keep it at the next save.
void TMain::RedrawChkClick() {}
void TMain::AccumChkClick() {}
void TMain::LegendChkClick() {}

}  // namespace ombrix
