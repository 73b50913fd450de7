#include <windows.h>

#include "util/Locale.h"

namespace ombrix {

static char LocaleChar(LCTYPE type, char fallback) {
  char buf[8] = {0};
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, type, buf, sizeof buf) > 0 && buf[0] != '\0') return buf[0];
  return fallback;
}

LocaleSeparators PlatformLocale() {
  LocaleSeparators s;
  s.date = LocaleChar(LOCALE_SDATE, '/');
  s.time = LocaleChar(LOCALE_STIME, ':');
  s.decimal = LocaleChar(LOCALE_SDECIMAL, '.');
  return s;
}

}  // namespace ombrix
