// TMain's tray icon commands and the minimise that sends the program there.
#include "ui/MainFrm.h"

namespace ombrix {

// Shown and restored, with its taskbar button back.
void TMain::TrayIconDblClick() {
  Form.visible = true;
  Form.minimized = false;
}

void TMain::Restore1Click() { TrayIconDblClick(); }

void TMain::TrayPopupPopup() {
  LoopLbl.caption = "....";
  UpdateUiViewStatus();
  if (Timer1->Enabled() && !Process->Enabled()) Timer1Timer();
}

void TMain::EXit2Click() {
  TrayIconShown = false;
  Close();
}

// A minimised program has no taskbar button: it lives in the tray.
void TMain::ApplicationMinimize() {
  Form.minimized = true;
  Form.visible = false;
}

}  // namespace ombrix
