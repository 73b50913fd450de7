// The platform-independent half of the file helpers.
#include "util/FileUtil.h"

#include <algorithm>
#include <cstdio>

#include "util/StrUtil.h"

namespace ombrix {

namespace {

char Fold(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool OnlyWildcardsLeft(std::string_view p) {
  return std::all_of(p.begin(), p.end(), [](char c) { return c == '*' || c == '?'; });
}

bool Match(std::string_view p, std::string_view n) {
  while (!p.empty()) {
    char pc = p.front();
    if (pc == '*') {
      p.remove_prefix(1);
      while (!p.empty() && p.front() == '*') p.remove_prefix(1);
      if (p.empty()) return true;
      for (size_t k = 0; k <= n.size(); ++k)
        if (Match(p, n.substr(k))) return true;
      return false;
    }
    if (pc == '?') {
      // One character, or none where the name reaches its "." or its end.
      if (!n.empty() && Match(p.substr(1), n.substr(1))) return true;
      if (n.empty() || n.front() == '.') {
        p.remove_prefix(1);
        continue;
      }
      return false;
    }
    if (pc == '.' && n.empty()) return OnlyWildcardsLeft(p.substr(1));
    if (n.empty() || Fold(pc) != Fold(n.front())) return false;
    p.remove_prefix(1);
    n.remove_prefix(1);
  }
  return n.empty();
}

}  // namespace

bool MatchesWildcard(std::string_view pattern, std::string_view name) {
  if (pattern == "*.*") return true;
  return Match(pattern, name);
}

bool FileExists(const std::string& path) {
  auto found = FindFiles(path);
  return !found.empty() && !found.front().isDirectory;
}

long long FileSize(const std::string& path) {
  auto found = FindFiles(path);
  return found.empty() ? -1 : found.front().size;
}

TDateTime FileLastWrite(const std::string& path) {
  auto found = FindFiles(path);
  return found.empty() ? 0 : found.front().lastWrite;
}

bool CopyFileReplacing(const std::string& from, const std::string& to) {
  const std::string temp = to + ".part";
  if (CopyFileOverwrite(from, temp) && ReplaceFile(temp, to)) return true;
  if (FileExists(temp)) DeleteFileAt(temp);
  return false;
}

bool AddSortedUnique(std::vector<std::string>& list, const std::string& text) {
  auto it = std::lower_bound(list.begin(), list.end(), text,
                             [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
  if (it != list.end() && CompareText(*it, text) == 0) return false;
  list.insert(it, text);
  return true;
}

int ListFilesByAge(const std::string& folder, const std::string& pattern, std::vector<std::string>& list) {
  int count = 0;
  for (const FoundFile& f : FindFiles(folder + pattern)) {
    if (f.isDirectory) continue;
    ++count;
    if (f.name.empty()) continue;
    DateTimeParts t = DecodeDateTime(f.lastWrite);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d%02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    AddSortedUnique(list, std::string(stamp) + '\t' + folder + f.name);
  }
  return count;
}

static size_t LastDelim(const std::string& path) { return path.find_last_of("\\/:"); }

std::string ExtractFilePath(const std::string& path) {
  size_t pos = LastDelim(path);
  return pos == std::string::npos ? std::string() : path.substr(0, pos + 1);
}

std::string ExtractFileName(const std::string& path) {
  size_t pos = LastDelim(path);
  return pos == std::string::npos ? path : path.substr(pos + 1);
}

std::string ExtractFileExt(const std::string& path) {
  std::string name = ExtractFileName(path);
  size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string ExecutableDir() { return ExtractFilePath(ExecutablePath()); }

std::string ExecutableName() { return ExtractFileName(ExecutablePath()); }

std::string IncludeTrailingDelimiter(const std::string& folder) {
  if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) return folder;
  return folder + kPathDelim;
}

}  // namespace ombrix
