#include "app/ErrorLog.h"

#include <cstdio>

#include "app/ProcessState.h"
#include "app/Product.h"
#include "util/Clock.h"
#include "util/FileUtil.h"
#include "util/StrUtil.h"

namespace ombrix {

namespace {

bool LoggingOn(const ErrorLogConfig& cfg) { return cfg.enabled || (cfg.isEnabled && cfg.isEnabled()); }

// One line, CR LF ended; an I/O failure loses the line and nothing else.
void AppendLine(const std::string& path, const std::string& line) {
  if (FILE* f = std::fopen(path.c_str(), "ab")) {
    std::string out = line + "\r\n";
    std::fwrite(out.data(), 1, out.size(), f);
    std::fclose(f);
  }
}

MemoryStatusReading TakeReading() {
  MemoryStatusReading r = TheMemoryStatus().Read();
  MemoryLoad = static_cast<int>(r.memoryLoad);
  return r;
}

std::string K(unsigned long long bytes) { return std::to_string(KiBRounded(bytes)) + "k"; }

unsigned long long InUse(unsigned long long total, unsigned long long avail) {
  return total > avail ? total - avail : 0;
}

}  // namespace

ErrorLogConfig& TheErrorLogConfig() {
  static ErrorLogConfig config;
  return config;
}

unsigned long long KiBRounded(unsigned long long bytes) {
  unsigned long long q = bytes / 1024, r = bytes % 1024;
  if (r > 512 || (r == 512 && (q & 1))) ++q;
  return q;
}

std::string ErrorLogFileName(double localDateTime) { return "R" + FormatYyyymmdd(localDateTime) + "ErrorLog.txt"; }

std::string MemoryReportText() {
  MemoryStatusReading r = TakeReading();
  return "Mem load=" + std::to_string(r.memoryLoad) + ",Tot phys=" + K(r.totalPhys) +
         ",Mem phys avail =" + K(r.availPhys) + ",tot page file=" + K(r.totalPageFile) +
         ",Avail page file=" + K(r.availPageFile) + ",Total Virtual=" + K(r.totalVirtual) +
         ",Avail Virtual=" + K(r.availVirtual) + ",(Page in use=" + K(InUse(r.totalPageFile, r.availPageFile)) +
         ")";
}

std::string MemoryStatusText() {
  MemoryStatusReading r = TakeReading();
  return "Mem load=" + std::to_string(r.memoryLoad) + ",Mem phys avail=" + K(r.availPhys) +
         ",Total Virtual=" + K(r.totalVirtual) + ",Page in use=" + K(InUse(r.totalPageFile, r.availPageFile));
}

void LogError(const std::string& text) {
  try {
    ErrorLogConfig& cfg = TheErrorLogConfig();
    if (!LoggingOn(cfg)) return;
    std::string message = Trim(text);
    TDateTime now = LocalNow();
    // A message that already begins with a time (09:41:07 ...) keeps it alone.
    if (message.find(':') != 2) message += " " + FormatDateTime(DateTimePattern::Time, now);
    std::string path = cfg.folder + ErrorLogFileName(now);
    if (!FileExists(path)) {
      bool client = cfg.isClientMode && cfg.isClientMode();
      std::string underlay = cfg.underlayPath ? cfg.underlayPath() : std::string();
      AppendLine(path, FormatDateTime(DateTimePattern::Time, now) + " " + kProductName +
                           (client ? " client mode.  PMapUnderlayPath = " : " server mode.  PMapUnderlayPath = ") +
                           underlay);
      AppendLine(path, MemoryReportText());
      LastMemoryLog = now;
      // The header already names the mode.
      if (message.find(" mode") != std::string::npos) return;
    }
    AppendLine(path, message);
  } catch (...) {
    // Logging must never disturb its caller.
  }
}

}  // namespace ombrix
