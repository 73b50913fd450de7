#include "imaging/TextRaster.h"

namespace ombrix {

namespace {
TextRaster* installed = nullptr;
}

TextRaster& TheTextRaster() { return installed ? *installed : PlatformTextRaster(); }
void SetTextRaster(TextRaster* raster) { installed = raster; }

}  // namespace ombrix
