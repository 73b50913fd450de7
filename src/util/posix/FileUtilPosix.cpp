// POSIX file helpers that behave like the Windows ones: "\" is a separator,
// and every path component is matched without regard to case.
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "util/FileUtil.h"
#include "util/StrUtil.h"

namespace ombrix {

namespace {

thread_local std::string g_lastError;

bool Fail(const std::string& what) {
  g_lastError = what + ": " + std::strerror(errno);
  return false;
}

std::string Slashes(std::string path) {
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}

// Finds the entry of `dir` named `name` without regard to case.
bool FindEntryIgnoringCase(const std::string& dir, const std::string& name, std::string& found) {
  DIR* d = opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return false;
  bool ok = false;
  while (dirent* e = readdir(d)) {
    if (SameText(e->d_name, name)) {
      found = e->d_name;
      ok = true;
      break;
    }
  }
  closedir(d);
  return ok;
}

TDateTime LocalTimeOf(time_t t) {
  struct tm lt;
  localtime_r(&t, &lt);
  DateTimeParts p{lt.tm_year + 1900, lt.tm_mon + 1, lt.tm_mday, lt.tm_hour, lt.tm_min,
                  lt.tm_sec > 59 ? 59 : lt.tm_sec, 0};
  return EncodeDateTime(p);
}

FoundFile Describe(const std::string& name, const struct stat& st) {
  FoundFile f;
  f.name = name;
  f.size = S_ISDIR(st.st_mode) ? 0 : static_cast<long long>(st.st_size);
  f.lastWrite = LocalTimeOf(st.st_mtime);
  f.isDirectory = S_ISDIR(st.st_mode);
  return f;
}

}  // namespace

std::string ResolvePath(const std::string& input) {
  std::string path = Slashes(input);
  if (path.empty()) return path;
  std::string out = path[0] == '/' ? "/" : "";
  size_t pos = path[0] == '/' ? 1 : 0;
  while (pos <= path.size()) {
    size_t next = path.find('/', pos);
    if (next == std::string::npos) next = path.size();
    std::string part = path.substr(pos, next - pos);
    if (!part.empty()) {
      struct stat st;
      std::string candidate = out + part;
      if (part != "." && part != ".." && lstat(candidate.c_str(), &st) != 0) {
        std::string found;
        if (FindEntryIgnoringCase(out.empty() ? "." : out, part, found)) candidate = out + found;
      }
      out = candidate;
      if (next < path.size()) out += '/';
    } else if (next < path.size() && !out.empty() && out.back() != '/') {
      out += '/';
    }
    pos = next + 1;
  }
  return out;
}

std::vector<FoundFile> FindFiles(const std::string& pathPattern) {
  std::string path = Slashes(pathPattern);
  size_t slash = path.rfind('/');
  std::string dir = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  std::string pattern = slash == std::string::npos ? path : path.substr(slash + 1);
  std::vector<FoundFile> result;
  if (pattern.empty()) return result;
  std::string realDir = ResolvePath(dir);
  bool wild = pattern.find_first_of("*?") != std::string::npos;
  struct stat st;
  if (!wild) {
    // A plain name: the exact entry first, then one that differs in case.
    std::string name = pattern;
    if (stat((realDir + name).c_str(), &st) != 0) {
      if (!FindEntryIgnoringCase(realDir.empty() ? "." : realDir, pattern, name)) return result;
      if (stat((realDir + name).c_str(), &st) != 0) return result;
    }
    if (name != "." && name != "..") result.push_back(Describe(name, st));
    return result;
  }
  DIR* d = opendir(realDir.empty() ? "." : realDir.c_str());
  if (!d) return result;
  while (dirent* e = readdir(d)) {
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    if (!MatchesWildcard(pattern, name)) continue;
    if (stat((realDir + name).c_str(), &st) != 0) continue;
    result.push_back(Describe(name, st));
  }
  closedir(d);
  return result;
}

bool DirectoryExists(const std::string& path) {
  struct stat st;
  std::string p = ResolvePath(path);
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  return stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CopyFileOverwrite(const std::string& from, const std::string& to) {
  std::string src = ResolvePath(from), dst = ResolvePath(to);
  int in = open(src.c_str(), O_RDONLY);
  if (in < 0) return Fail("cannot open " + from);
  int out = open(dst.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (out < 0) {
    close(in);
    return Fail("cannot create " + to);
  }
  char buf[65536];
  bool ok = true;
  for (;;) {
    ssize_t n = read(in, buf, sizeof buf);
    if (n == 0) break;
    if (n < 0) {
      ok = Fail("cannot read " + from);
      break;
    }
    for (ssize_t done = 0; done < n;) {
      ssize_t w = write(out, buf + done, static_cast<size_t>(n - done));
      if (w <= 0) {
        ok = Fail("cannot write " + to);
        break;
      }
      done += w;
    }
    if (!ok) break;
  }
  close(in);
  if (close(out) != 0 && ok) ok = Fail("cannot write " + to);
  // Windows' copy keeps the source's last-write time; the history relies on it.
  struct stat st;
  if (ok && stat(src.c_str(), &st) == 0) {
    struct timespec times[2] = {st.st_atim, st.st_mtim};
    utimensat(AT_FDCWD, dst.c_str(), times, 0);
  }
  return ok;
}

bool RenameFile(const std::string& from, const std::string& to) {
  std::string src = ResolvePath(from), dst = ResolvePath(to);
  struct stat st;
  if (stat(dst.c_str(), &st) == 0 && !SameText(src, dst)) {
    errno = EEXIST;
    return Fail("cannot rename to " + to);
  }
  if (rename(src.c_str(), dst.c_str()) != 0) return Fail("cannot rename " + from);
  return true;
}

bool ReplaceFile(const std::string& from, const std::string& to) {
  if (rename(ResolvePath(from).c_str(), ResolvePath(to).c_str()) != 0) return Fail("cannot replace " + to);
  return true;
}

bool DeleteFileAt(const std::string& path) {
  if (unlink(ResolvePath(path).c_str()) != 0) return Fail("cannot delete " + path);
  return true;
}

bool CreateFolder(const std::string& path) {
  std::string p = ResolvePath(path);
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  if (mkdir(p.c_str(), 0755) != 0) return Fail("cannot create folder " + path);
  return true;
}

std::string LastFileError() { return g_lastError; }

bool ReadWholeFile(const std::string& path, std::string& content) {
  std::ifstream in(ResolvePath(path), std::ios::binary);
  if (!in) return Fail("cannot open " + path);
  std::ostringstream ss;
  ss << in.rdbuf();
  content = ss.str();
  return true;
}

bool WriteFileAtomic(const std::string& path, std::string_view content) {
  std::string target = ResolvePath(path);
  std::string temp = target + ".tmp";
  // Renaming over a file needs no right to write it, but Windows refuses to
  // replace a read-only file, and so do we: a file without write permission
  // (even for root) is the read-only attribute here.
  struct stat old;
  bool exists = stat(target.c_str(), &old) == 0;
  if (exists && ((old.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || access(target.c_str(), W_OK) != 0)) {
    errno = EACCES;
    return Fail("cannot write " + path);
  }
  int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return Fail("cannot create " + temp);
  if (exists) (void)fchmod(fd, old.st_mode & 07777);  // the new file keeps the old one's mode
  size_t done = 0;
  while (done < content.size()) {
    ssize_t w = write(fd, content.data() + done, content.size() - done);
    if (w <= 0) {
      Fail("cannot write " + temp);
      close(fd);
      unlink(temp.c_str());
      return false;
    }
    done += static_cast<size_t>(w);
  }
  if (fsync(fd) != 0 || close(fd) != 0) {
    Fail("cannot write " + temp);
    unlink(temp.c_str());
    return false;
  }
  if (rename(temp.c_str(), target.c_str()) != 0) {
    Fail("cannot replace " + path);
    unlink(temp.c_str());
    return false;
  }
  return true;
}

std::string ExecutablePath() {
  char buf[PATH_MAX + 1];
  ssize_t n = readlink("/proc/self/exe", buf, PATH_MAX);
  if (n <= 0) return "./ombrix";
  buf[n] = '\0';
  return buf;
}

}  // namespace ombrix
