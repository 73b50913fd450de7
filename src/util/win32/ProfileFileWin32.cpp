// Profile files through the Windows functions themselves, so the settings
// file behaves exactly as the system's other INI files do.
#include <windows.h>

#include <vector>

#include "util/ProfileFile.h"

namespace ombrix {

namespace {

class Win32ProfileFile : public ProfileFile {
 public:
  explicit Win32ProfileFile(std::string path) : path_(std::move(path)) {}

  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& defaultValue) override {
    // The function cuts a value that does not fit and returns size - 1;
    // grow the buffer until the value fits.
    for (DWORD size = 1024;; size *= 4) {
      std::vector<char> buf(size);
      DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(), buf.data(), size,
                                         path_.c_str());
      if (n + 1 < size || size >= (1u << 24)) return std::string(buf.data(), n);
    }
  }

  bool WriteString(const std::string& section, const std::string& key, const std::string& value) override {
    // Windows refuses to write a read-only file, but Wine running as root
    // writes it anyway; ask the attribute so both behave as Windows does.
    DWORD attr = GetFileAttributesA(path_.c_str());
    if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_READONLY)) {
      SetLastError(ERROR_ACCESS_DENIED);
      return false;
    }
    return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), path_.c_str()) != 0;
  }

  const std::string& Path() const override { return path_; }

 private:
  std::string path_;
};

}  // namespace

std::unique_ptr<ProfileFile> OpenProfileFile(const std::string& path) {
  return std::make_unique<Win32ProfileFile>(path);
}

}  // namespace ombrix
