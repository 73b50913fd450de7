// The daily error log in AppDir: "R" + yyyymmdd + "ErrorLog.txt", and the
// memory reports that go into it and into the status line. Appends never
// raise; a line that cannot be written is lost, nothing else.
#pragma once
#include <functional>
#include <string>

#include "app/MemoryStatus.h"

namespace ombrix {

struct ErrorLogConfig {
  std::string folder;            // AppDir, with trailing delimiter
  bool enabled = false;          // logging forced on (code without a window, tests)
  // TMain installs these so the log follows its components: the "Log errors"
  // check, the mode selector and the discovered underlay folder.
  std::function<bool()> isEnabled;
  std::function<bool()> isClientMode;  // for the " mode" wording of new-day headers
  std::function<std::string()> underlayPath;
};

ErrorLogConfig& TheErrorLogConfig();

// Appends text to today's log when logging is on: trimmed, with the local
// time appended unless the text already begins with one, after the header
// and memory lines when the day's file is new.
void LogError(const std::string& text);

// The day's log file name for a local date-time.
std::string ErrorLogFileName(double localDateTime);

// Each takes a fresh reading (which also updates MemoryLoad).
std::string MemoryReportText();  // the long form of the log
std::string MemoryStatusText();  // the short form of the status line

// Bytes to KiB, rounded to the nearest, ties to even.
unsigned long long KiBRounded(unsigned long long bytes);

}  // namespace ombrix
