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

// ---- Handlers still to write: the shell already routes the real events
// here. Move each one into its subsystem's file when it gets its body. ----
void TMain::RedrawChkClick() {}
void TMain::AccumChkClick() {}
void TMain::LegendChkClick() {}
// ---- end of the handlers still to write ----

}  // namespace ombrix
