#include "records/DownloadList.h"

#include <optional>
#include <vector>

#include "app/ErrorLog.h"
#include "util/FileUtil.h"
#include "util/Locale.h"
#include "util/StrUtil.h"
#include "util/TextLines.h"

namespace ombrix {

namespace {

const char* Flag(bool value) { return value ? "TRUE" : "FALSE"; }

// A TAB, CR or LF inside a field (a server's reason phrase in Status) would
// shift the fields or split the record in two on the next start.
std::string Field(std::string text) {
  for (char& c : text)
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  return text;
}

// "mm/dd/yyyy hh:nn:ss" read with the very pattern it was written with, never
// with a parser that follows the regional date order. A list written under
// other separators ("12.31.2026 23:59:00") reads the same.
std::optional<TDateTime> ParseListTime(const std::string& text) {
  if (auto t = ParseDateTime(DateTimePattern::DateTimeSeconds, text)) return t;
  auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
  if (text.size() != 19 || text[10] != ' ') return std::nullopt;
  for (size_t at : {2, 5, 13, 16})
    if (isDigit(text[at]) || text[at] == ' ') return std::nullopt;
  const LocaleSeparators& loc = CurrentLocale();
  std::string local = text;
  local[2] = local[5] = loc.date;
  local[13] = local[16] = loc.time;
  return ParseDateTime(DateTimePattern::DateTimeSeconds, local);
}

// Fills the times and the four edges in file order; the first value that
// does not read stops here and leaves the rest at their creation values.
void ReadTimesAndEdges(const std::string& line, TRadarObj& r) {
  TDateTime* times[] = {&r.LastAttempt, &r.LastImage, &r.NextAttempt};
  for (int i = 0; i < 3; ++i) {
    std::optional<TDateTime> t = ParseListTime(GetField(line, 8 + i, '\t'));
    if (!t) return;
    *times[i] = *t;
  }
  if (CountFields(r.WorldText, ',') != 4) return;
  float* edges[] = {&r.WorldLeft, &r.WorldTop, &r.WorldRight, &r.WorldBottom};
  for (int i = 0; i < 4; ++i) {
    std::optional<float> v = ParseSingle(GetField(r.WorldText, i + 1, ','));
    if (!v) return;
    *edges[i] = *v;
  }
}

}  // namespace

int LoadDownloadListFile(const std::string& path, TRadarList& list, const ServerSettings& servers) {
  std::string content;
  if (!FileExists(path) || !ReadWholeFile(path, content)) return 0;
  int added = 0;
  try {
    for (const std::string& line : SplitTextLines(content)) {
      if (line.size() < 20) {
        LogError("Error loading Radar object");
        continue;
      }
      std::string description = GetField(line, 1, '\t'), product = GetField(line, 2, '\t');
      std::string key = RecordKey(description, product);
      TRadarObj* r = list.Add(key, std::make_unique<TRadarObj>());
      if (!r) continue;  // the same source twice: keep the first
      ++added;
      r->InitFromSelection(description, product, servers);
      r->Status = GetField(line, 4, '\t');
      r->WorldText = GetField(line, 5, '\t');
      r->Accumulate = GetField(line, 6, '\t').find("TRUE") != std::string::npos;
      r->Enabled = GetField(line, 7, '\t').find("TRUE") != std::string::npos;
      ReadTimesAndEdges(line, *r);
    }
  } catch (...) {
    // Keep what was read so far.
  }
  return added;
}

std::string DownloadListLine(const TRadarObj& r) {
  if (r.Description.empty()) return {};
  std::string line = Field(r.Description) + "\t" + Field(r.Product) + "\t" + Field(r.BaseName) + "\t" +
                     Field(r.Status) + "\t" + Field(r.WorldText) + "\t" + Flag(r.Accumulate) + "\t" +
                     Flag(r.Enabled) + "\t";
  line += FormatDateTime(DateTimePattern::DateTimeSeconds, r.LastAttempt) + "\t" +
          FormatDateTime(DateTimePattern::DateTimeSeconds, r.LastImage) + "\t" +
          FormatDateTime(DateTimePattern::DateTimeSeconds, r.NextAttempt);
  return line;
}

bool SaveDownloadListFile(const std::string& path, const TRadarList& list) {
  try {
    std::vector<std::string> lines;
    for (int i = 0; i < list.Count(); ++i) {
      std::string line = DownloadListLine(list.Objects(i));
      if (!line.empty()) lines.push_back(std::move(line));
    }
    return WriteFileAtomic(path, JoinTextLines(lines));
  } catch (...) {
    return false;
  }
}

}  // namespace ombrix
