// Win32 file helpers: the directory search, CopyFileA and MoveFileA do the
// work, so names and wildcards behave exactly as the rest of Windows.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "util/FileUtil.h"

namespace ombrix {

namespace {

std::string g_lastError;

bool Fail(const std::string& what) {
  DWORD code = GetLastError();
  char msg[512] = {0};
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, msg, sizeof msg,
                 nullptr);
  std::string text = msg;
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) text.pop_back();
  g_lastError = what + ": " + (text.empty() ? "error " + std::to_string(code) : text);
  return false;
}

TDateTime LocalTimeOf(const FILETIME& utc) {
  FILETIME local;
  SYSTEMTIME st;
  FileTimeToLocalFileTime(&utc, &local);
  FileTimeToSystemTime(&local, &st);
  DateTimeParts p{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, 0};
  TDateTime v = 0;
  TryEncodeDateTime(p, v);
  return v;
}

}  // namespace

std::string ResolvePath(const std::string& path) { return path; }

std::vector<FoundFile> FindFiles(const std::string& pathPattern) {
  std::vector<FoundFile> result;
  // Wildcards are matched by our own DOS rules on the long names: Wine's
  // search does not let "?" match nothing before the "." (LOT_N0R_0?.bmp
  // must find LOT_N0R_0.bmp), and short 8.3 names must not match.
  size_t slash = pathPattern.find_last_of("\\/:");
  std::string pattern = slash == std::string::npos ? pathPattern : pathPattern.substr(slash + 1);
  bool wild = pattern.find_first_of("*?") != std::string::npos;
  std::string search = wild ? pathPattern.substr(0, slash == std::string::npos ? 0 : slash + 1) + "*" : pathPattern;
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA(search.c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return result;
  do {
    std::string name = fd.cFileName;
    if (name == "." || name == "..") continue;
    if (wild && !MatchesWildcard(pattern, name)) continue;
    FoundFile f;
    f.name = name;
    f.size = (static_cast<long long>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
    f.lastWrite = LocalTimeOf(fd.ftLastWriteTime);
    f.isDirectory = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    result.push_back(f);
  } while (FindNextFileA(h, &fd));
  FindClose(h);
  return result;
}

bool DirectoryExists(const std::string& path) {
  std::string p = path;
  while (p.size() > 3 && (p.back() == '\\' || p.back() == '/')) p.pop_back();
  DWORD attr = GetFileAttributesA(p.c_str());
  return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool CopyFileOverwrite(const std::string& from, const std::string& to) {
  return CopyFileA(from.c_str(), to.c_str(), FALSE) ? true : Fail("cannot copy " + from + " to " + to);
}

bool RenameFile(const std::string& from, const std::string& to) {
  return MoveFileA(from.c_str(), to.c_str()) ? true : Fail("cannot rename " + from + " to " + to);
}

bool RenameReplacing(const std::string& from, const std::string& to) {
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
             ? true
             : Fail("cannot replace " + to);
}

bool DeleteFileAt(const std::string& path) {
  return DeleteFileA(path.c_str()) ? true : Fail("cannot delete " + path);
}

bool CreateFolder(const std::string& path) {
  return CreateDirectoryA(path.c_str(), nullptr) ? true : Fail("cannot create folder " + path);
}

std::string LastFileError() { return g_lastError; }

bool ReadWholeFile(const std::string& path, std::string& content) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    g_lastError = "cannot open " + path;
    return false;
  }
  std::ostringstream ss;
  ss << in.rdbuf();
  content = ss.str();
  return true;
}

bool WriteFileAtomic(const std::string& path, std::string_view content) {
  std::string temp = path + ".tmp";
  // Replacing by rename would pass over the read-only attribute under Wine
  // run as root; Windows itself refuses, and so do we, everywhere.
  DWORD attr = GetFileAttributesA(path.c_str());
  if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_READONLY)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return Fail("cannot write " + path);
  }
  HANDLE h = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return Fail("cannot create " + temp);
  DWORD written = 0;
  bool ok = content.empty() ||
            (WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
             written == content.size());
  if (ok) ok = FlushFileBuffers(h) != 0;
  if (!ok) Fail("cannot write " + temp);
  CloseHandle(h);
  if (ok && !MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    ok = Fail("cannot replace " + path);
  if (!ok) DeleteFileA(temp.c_str());
  return ok;
}

std::string ExecutablePath() {
  char buf[MAX_PATH + 1] = {0};
  DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
  return std::string(buf, n);
}

}  // namespace ombrix
