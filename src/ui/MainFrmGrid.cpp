// TMain's grid of download records.
#include "ui/MainFrm.h"

namespace ombrix {

void TMain::RefreshGrid() {}

}  // namespace ombrix
