// TMain's window commands as the Win32 shell routes them.
#include "ui/MainFrm.h"

namespace ombrix {

void TMain::Close() {
  if (platform_.closeMainWindow) platform_.closeMainWindow();
}

// ---- Handlers still to write: the shell already routes the real events
// here. Move each one into its subsystem's file when it gets its body. ----
void TMain::RedrawChkClick() {}
void TMain::AccumChkClick() {}
void TMain::LegendChkClick() {}
void TMain::AddBtnClick() {}
void TMain::DeleteBtnClick() {}
void TMain::RadarGridMouseDown(MouseButton, int, int) {}
void TMain::RadarGridDblClick() {}
void TMain::ApplicationMinimize() {}
// ---- end of the handlers still to write ----

}  // namespace ombrix
