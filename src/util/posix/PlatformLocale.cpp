#include "util/Locale.h"

namespace ombrix {

LocaleSeparators PlatformLocale() { return LocaleSeparators{}; }

}  // namespace ombrix
