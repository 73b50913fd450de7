// The steps both conversions share: names, input gates, caption, delivery
// to the targets, summary and failure texts.
#include "imaging/UnderlayConverter.h"

#include <cmath>

#include "app/ErrorLog.h"
#include "util/Clock.h"
#include "util/DateTime.h"
#include "util/FileUtil.h"
#include "util/StrUtil.h"

namespace ombrix {

std::string BoundsFileName(const std::string& underlayName) {
  size_t dot = underlayName.find('.');
  return (dot == std::string::npos ? underlayName + "." : underlayName.substr(0, dot + 1)) + "Sat";
}

UnderlayConverter::Names UnderlayConverter::NamesFor(const std::string& path, const TRadarObj& record,
                                                     const char* imageExt, const char* worldExt) const {
  Names n;
  // A server converts what it downloaded into AppDir; a client what its
  // server dropped beside the underlay.
  n.source = window_.ClientMode() ? ExtractFilePath(path) : window_.AppDir();
  n.name = ExtractFileName(path);
  n.base = n.name.substr(0, n.name.find('.'));
  n.boundsName = BoundsFileName(n.name);
  n.imageName = record.BaseName + imageExt;
  n.worldName = record.BaseName + worldExt;
  return n;
}

void UnderlayConverter::Start(const std::string& path) {
  window_.SetPanel(1, "Convert");
  window_.SetPanel(0, "Converting " + path);
  ConversionStage = 0;
  start_ = LocalNow();
}

bool UnderlayConverter::InputsMissing(const Names& n, TRadarObj& record) {
  for (const std::string* file : {&n.imageName, &n.worldName}) {
    if (FileExists(n.source + *file)) continue;
    const std::string text = "File " + *file + " does not exist, cannot convert";
    window_.SetFileText(text);
    record.Status = "Error " + text;
    LogError(text);
    return true;
  }
  return false;
}

bool UnderlayConverter::TooSmallFile(const Names& n, long long minimum, TRadarObj& record) {
  const long long size = FileSize(n.source + n.imageName);
  if (size >= minimum) return false;
  window_.SetFileText(n.imageName + "= " + std::to_string(size) + " bytes, file too small");
  record.Status = "Error - " + window_.FileText();
  LogError(record.Status);
  DeleteFileAt(n.source + n.imageName);
  return true;
}

std::string UnderlayConverter::Caption(const Names& n, const TRadarObj& record) const {
  return "Ombrix 2.2.1 - Radar image " + n.base + " from " + record.Description + " " +
         FormatDateTime(DateTimePattern::DateHourMinute, record.LastImage) + " UTC";
}

std::string UnderlayConverter::TimeText() { return FormatDateTime(DateTimePattern::Time, LocalNow()); }

bool UnderlayConverter::Pump() {
  window_.ProcessMessages();
  return window_.Closing();
}

bool UnderlayConverter::DeletePreviousIfBroken(const Names& n, const std::string& target, long long size) {
  if (size < 0 || size >= 3000) return true;
  window_.SetFileText("Error - previous " + n.name + " file size = " + std::to_string(size) +
                      " accum images process not used.");
  LogError(window_.FileText());
  return !FileExists(target + n.name) || DeleteFileAt(target + n.name);
}

void UnderlayConverter::SaveUnderlay(const TBitmap8& bitmap, const Names& n, const std::string& target,
                                     const TRadarObj& record) {
  bitmap.SaveToFile(target + n.name);
  // A text of 8 characters or fewer cannot hold four edges.
  if (record.WorldText.size() > 8 && !WriteFileAtomic(target + n.boundsName, record.WorldText + "\r\n"))
    throw ImageError("Cannot write " + target + n.boundsName);
}

void UnderlayConverter::Forward(const Names& n, const std::string& file, const std::string& target) {
  if (!CopyFileReplacing(n.source + file, target + file)) window_.Beep();
}

void UnderlayConverter::ShowSummary(const Names& n, size_t targets) {
  if (targets >= 2)
    window_.SetFileText("Transferred " + std::to_string(targets) + " " + n.name + " at " + TimeText());
  else if (targets == 1)
    window_.SetFileText("Saved 1 " + n.name + " at " + TimeText());
  window_.SetPanel(0, window_.FileText());
}

void UnderlayConverter::ShowElapsed() {
  const long long ms = std::llround((LocalNow() - start_) * kMsPerDay);
  // Seconds and milliseconds of the elapsed time, whole minutes left out.
  const long long seconds = (ms / 1000) % 60, millis = ms % 1000;
  window_.SetFileText(std::string(window_.ClientMode() ? "Processed files in " : "Processed and transferred raw files in ") +
                      std::to_string(seconds) + "." + std::to_string(millis) + " sec at " + TimeText());
}

void UnderlayConverter::ReportFailure(const char* message, const std::string& what, const Names& n,
                                      TRadarObj& record) {
  record.Status = std::string(message) + " " + what + "-" + n.imageName;
  LogError(record.Status + " " + MemoryStatusText());
  window_.SetFileText(record.Status + " at " + TimeText());
  window_.SetPanel(0, window_.FileText());
}

bool UnderlayConverter::Release(const char* what, const Names& n, TRadarObj& record,
                                const std::function<void()>& empty) {
  try {
    empty();
    return true;
  } catch (const std::exception& e) {
    record.Status = std::string(what) + n.imageName + " " + e.what();
    LogError(record.Status + " " + MemoryStatusText());
    return false;
  }
}

}  // namespace ombrix
