// File helpers with Windows semantics on every platform: names match without
// regard to case, patterns are DOS wildcards, writes of whole files are atomic.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "util/DateTime.h"

namespace ombrix {

#ifdef _WIN32
constexpr char kPathDelim = '\\';
#else
constexpr char kPathDelim = '/';
#endif

// DOS wildcard match as the platform's directory search does it, ignoring
// case: "*" any run, "?" one character or none right before a "." or at the
// end, and a trailing "." or ".*" also matches a name without extension.
bool MatchesWildcard(std::string_view pattern, std::string_view name);

struct FoundFile {
  std::string name;          // as stored on disk
  long long size = 0;        // bytes
  TDateTime lastWrite = 0;   // local time
  bool isDirectory = false;
};

// Directory search: "folder" + pattern, where only the last component holds
// wildcards. Folders "." and ".." are never returned.
std::vector<FoundFile> FindFiles(const std::string& pathPattern);

// The path as it exists on disk, each component matched without regard to
// case; components that do not exist are kept as given. Backslashes count as
// separators on every platform.
std::string ResolvePath(const std::string& path);

bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
// Size by directory search, or -1 when the file is missing.
long long FileSize(const std::string& path);
// Last-write time (local) by directory search, or 0 when the file is missing.
TDateTime FileLastWrite(const std::string& path);

// Each returns false on failure and leaves errno-style detail to LastFileError().
bool CopyFileOverwrite(const std::string& from, const std::string& to);
bool RenameFile(const std::string& from, const std::string& to);  // fails when `to` exists
// Renames over `to` in one step (MoveFileEx with replace on Windows, rename
// elsewhere): a reader sees the old file or the new one, never neither.
bool ReplaceFile(const std::string& from, const std::string& to);
// Copies under a temporary name beside `to`, then replaces `to` with it, so
// `to` never holds a half-copied file. A failure removes the temporary file.
bool CopyFileReplacing(const std::string& from, const std::string& to);
bool DeleteFileAt(const std::string& path);
bool CreateFolder(const std::string& path);
std::string LastFileError();

bool ReadWholeFile(const std::string& path, std::string& content);
// Writes to a temporary file beside `path`, then renames it over `path`: a
// failure at any point leaves the old file whole.
bool WriteFileAtomic(const std::string& path, std::string_view content);

// Adds "yyyymmddhhnnss" TAB folder+name for every file the pattern finds
// under folder, kept sorted as text without regard to case, duplicates
// ignored, so the list runs from the oldest file to the newest. Returns the
// number of files found (whether or not they were new to the list).
int ListFilesByAge(const std::string& folder, const std::string& pattern, std::vector<std::string>& list);

// Inserts into a list kept sorted without regard to case; false when the
// text was already there.
bool AddSortedUnique(std::vector<std::string>& list, const std::string& text);

// The full path of the running executable.
std::string ExecutablePath();
// The folder of the running executable, with a trailing delimiter.
std::string ExecutableDir();
// The running executable's file name (no folder).
std::string ExecutableName();
// Splits off folder (with its trailing delimiter) and name.
std::string ExtractFilePath(const std::string& path);
std::string ExtractFileName(const std::string& path);
std::string ExtractFileExt(const std::string& path);  // with the ".", or ""
std::string IncludeTrailingDelimiter(const std::string& folder);

}  // namespace ombrix
