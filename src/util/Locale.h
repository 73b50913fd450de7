// The regional separators the program writes and reads dates, times and
// numbers with. Windows takes them from the user's locale; elsewhere they are
// "/", ":" and "." unless a test installs others.
#pragma once

namespace ombrix {

struct LocaleSeparators {
  char date = '/';
  char time = ':';
  char decimal = '.';
};

// The separators in force. The first call asks the platform.
const LocaleSeparators& CurrentLocale();

// Replaces the separators until the guard ends (tests, and the Win32 shell
// when the user changes the regional settings).
class ScopedLocale {
 public:
  explicit ScopedLocale(LocaleSeparators separators);
  ~ScopedLocale();
  ScopedLocale(const ScopedLocale&) = delete;
  ScopedLocale& operator=(const ScopedLocale&) = delete;

 private:
  LocaleSeparators saved_;
};

// Implemented per platform: the separators of the user's locale.
LocaleSeparators PlatformLocale();

}  // namespace ombrix
