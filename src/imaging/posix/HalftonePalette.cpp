#include "imaging/Palette.h"

namespace ombrix {

const Palette& HalftonePalette() { return RecordedHalftonePalette(); }

}  // namespace ombrix
