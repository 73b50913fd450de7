#include "acquire/Freshness.h"

#include <stdexcept>
#include <vector>

#include "app/ErrorLog.h"
#include "util/Clock.h"
#include "util/FileUtil.h"
#include "util/StrUtil.h"
#include "util/TextLines.h"

namespace ombrix {

namespace {

const std::string kMonths = "JANFEBMARAPRMAYJUNJULAUGSEPOCTNOVDEC";

// Characters from the 0-based start, as many as there are (never throws).
std::string Mid(const std::string& text, size_t start, size_t count) {
  return start >= text.size() ? std::string() : text.substr(start, count);
}

// Lines of a text file broken by CR LF, LF or CR.
bool ReadLines(const std::string& path, std::vector<std::string>& lines) {
  std::string content;
  if (!ReadWholeFile(path, content)) return false;
  lines = SplitTextLines(content);
  return true;
}

int MonthNumber(const std::string& abbreviation) {
  if (abbreviation.size() != 3) return 0;
  for (size_t pos = 0; pos + 3 <= kMonths.size(); pos += 3)
    if (kMonths.compare(pos, 3, abbreviation) == 0) return static_cast<int>(pos / 3) + 1;
  return 0;
}

TDateTime EncodeOrThrow(int year, int month, int day, int hour, int minute) {
  DateTimeParts parts;
  parts.year = year;
  parts.month = month;
  parts.day = day;
  parts.hour = hour;
  parts.minute = minute;
  TDateTime value;
  if (!TryEncodeDateTime(parts, value)) throw std::invalid_argument("Invalid argument to date encode");
  return value;
}

// The greatest link name without regard to case: for archive names of the
// form site_yyyymmdd_hhnn_product, the newest. One pass and no sorting, so a
// listing of any size costs time in proportion to its length. Of names that
// differ only in case, the one on the line first in case-blind order wins
// (the line set's order before).
std::string NewestImage(const std::string& listingPath, bool national) {
  std::string result;
  if (!FileExists(listingPath)) return result;
  try {
    std::vector<std::string> lines;
    if (!ReadLines(listingPath, lines)) return result;
    const std::string* resultLine = nullptr;
    for (const std::string& line : lines) {
      std::string up = UpperCase(line);
      size_t target = up.find(".GIF\">");
      if (target == std::string::npos) continue;
      size_t start = target + 6;
      size_t end = up.find(".GIF<", start);
      if (end == std::string::npos) continue;
      std::string name = line.substr(start, end - start);
      if (national && (name.find("_small") != std::string::npos || UpperCase(name).find("NAT_") == std::string::npos))
        continue;
      int order = resultLine ? CompareText(name, result) : 1;
      if (order > 0 || (order == 0 && CompareText(line, *resultLine) < 0)) {
        result = std::move(name);
        resultLine = &line;
      }
    }
  } catch (...) {
    // What was found so far stands.
  }
  return result;
}

}  // namespace

TDateTime GetWebFileTime(const std::string& listingPath, const std::string& fileName) {
  TDateTime result = LocalNow() - 1000;
  int step = 0;
  try {
    // Listing times are the server's local time, read as ours; the exact
    // zone offset (half-hour zones too) turns them into UTC.
    const double correction = -TheClock().ZoneOffsetDays();
    step = 1;
    std::vector<std::string> lines;
    if (!ReadLines(listingPath, lines)) throw std::runtime_error("Cannot open file \"" + listingPath + "\"");
    const std::string wanted = UpperCase(fileName);
    bool found = false;
    for (const std::string& line : lines) {
      step = 2;
      std::string up = UpperCase(line);
      if (up.find(wanted) == std::string::npos) continue;
      step = 3;
      found = true;
      size_t linkEnd = up.find("</A>");
      std::string rest = linkEnd == std::string::npos ? std::string() : Trim(up.substr(linkEnd + 4));
      step = 4;
      int day = StrToIntDef(Mid(rest, 0, 2), 0);
      step = 5;
      int month = MonthNumber(Mid(rest, 3, 3));
      step = 6;
      int year = StrToIntDef(Mid(rest, 7, 4), 0);
      if (day != 0 && month != 0 && year != 0) {
        step = 7;
        size_t space = rest.find(' ');
        std::string time = space == std::string::npos ? std::string() : rest.substr(space + 1);
        int hour = StrToIntDef(Mid(time, 0, 2), 0);
        int minute = StrToIntDef(Mid(time, 3, 2), 0);
        step = 8;
        result = EncodeOrThrow(year, month, day, hour, minute) + correction;
      }
      break;
    }
    if (!found) {
      step = 9;
      LogError("Get Web dir file " + fileName + " not found error " + "9" + " " + listingPath);
    }
  } catch (const std::exception& e) {
    LogError("Get Web dir Exception = " + std::to_string(step) + " " + e.what());
  }
  return result;
}

std::string ListNewestSiteImage(const std::string& listingPath) { return NewestImage(listingPath, false); }

std::string ListNewestNationalImage(const std::string& listingPath) { return NewestImage(listingPath, true); }

TDateTime ImageNameTime(const std::string& imageName) {
  const TDateTime failure = UtcNow() - 100;
  try {
    const int currentYear = DecodeDateTime(UtcNow()).year;
    std::string date = GetField(imageName, 2, '_');
    int year = StrToIntDef(Mid(date, 0, 4), 0);
    int month = StrToIntDef(Mid(date, 4, 2), 0);
    int day = StrToIntDef(Mid(date, 6, 2), 0);
    std::string time = GetField(imageName, 3, '_');
    int hour = StrToIntDef(Mid(time, 0, 2), 0);
    int minute = StrToIntDef(Mid(time, 2, 2), 0);
    if (year > 2005 && year <= currentYear && month != 0 && day != 0)
      return EncodeOrThrow(year, month, day, hour, minute);
    LogError("DateTime error " + imageName);
  } catch (...) {
    LogError("DateTime error " + imageName);
  }
  return failure;
}

}  // namespace ombrix
