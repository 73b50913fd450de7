#include "util/Locale.h"

namespace ombrix {

static LocaleSeparators& Slot() {
  static LocaleSeparators separators = PlatformLocale();
  return separators;
}

const LocaleSeparators& CurrentLocale() { return Slot(); }

ScopedLocale::ScopedLocale(LocaleSeparators separators) : saved_(Slot()) { Slot() = separators; }

ScopedLocale::~ScopedLocale() { Slot() = saved_; }

}  // namespace ombrix
