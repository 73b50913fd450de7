#include "app/ErrorLog.h"

#include <cstdio>

#include "util/Clock.h"
#include "util/StrUtil.h"

namespace ombrix {

ErrorLogConfig& TheErrorLogConfig() {
  static ErrorLogConfig config;
  return config;
}

// Minimal append; the settings-and-log work completes the rules.
void LogError(const std::string& text) {
  ErrorLogConfig& cfg = TheErrorLogConfig();
  if (!cfg.enabled) return;
  std::string path = cfg.folder + "R" + FormatYyyymmdd(LocalNow()) + "ErrorLog.txt";
  if (FILE* f = std::fopen(path.c_str(), "ab")) {
    std::string line = Trim(text) + "\r\n";
    std::fwrite(line.data(), 1, line.size(), f);
    std::fclose(f);
  }
}

}  // namespace ombrix
