// The daily error log in AppDir: "R" + yyyymmdd + "ErrorLog.txt". Appends
// never raise; a line that cannot be written is lost, nothing else.
#pragma once
#include <functional>
#include <string>

namespace ombrix {

struct ErrorLogConfig {
  std::string folder;            // AppDir, with trailing delimiter
  bool enabled = false;          // the File menu's "Log errors"
  std::function<bool()> isClientMode;  // for the " mode" wording of new-day headers
};

ErrorLogConfig& TheErrorLogConfig();

// Appends text to today's log when logging is on (every rule of the log:
// trimming, the appended time, the header of a new day).
void LogError(const std::string& text);

}  // namespace ombrix
