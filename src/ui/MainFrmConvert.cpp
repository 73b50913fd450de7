// TMain's underlay conversions.
#include "ui/MainFrm.h"

namespace ombrix {

bool TMain::ConvertGifUnderlay(const std::string&, TRadarObj&) { return false; }
bool TMain::ConvertPngUnderlay(const std::string&, TRadarObj&) { return false; }

}  // namespace ombrix
