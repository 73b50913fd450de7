// TMain's scheduler tick, download pass and download commands.
#include "ui/MainFrm.h"

namespace ombrix {

void TMain::ProcessTimer() {}
void TMain::DownloadAndProcess() {}
void TMain::DownloadBtnClick() {}
void TMain::Downloadcurrentrecord1Click() {}

}  // namespace ombrix
