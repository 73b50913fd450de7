// Windows profile (INI) files as GetPrivateProfileString and
// WritePrivateProfileString treat them: section and key names match without
// regard to case, a missing file or key reads as the default, a write
// creates the file and section and replaces the old line in place, and every
// other line survives. CR LF line ends, 8-bit text.
#pragma once
#include <memory>
#include <string>

namespace ombrix {

class ProfileFile {
 public:
  virtual ~ProfileFile() = default;
  virtual std::string ReadString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue) = 0;
  // False when the file cannot be written.
  virtual bool WriteString(const std::string& section, const std::string& key, const std::string& value) = 0;
  // Files that collect their writes replace the file here, in one step.
  // False when it cannot be written. Files that write at once have nothing to do.
  virtual bool Commit() { return true; }
  virtual const std::string& Path() const = 0;
};

// Our own implementation, identical in results to the Windows functions.
std::unique_ptr<ProfileFile> OpenPortableProfileFile(const std::string& path);
// Our own implementation, collecting every write in memory until Commit()
// writes the whole new file beside the old one and renames it over it. Its
// bytes are those the Windows functions would have left, key for key.
std::unique_ptr<ProfileFile> OpenProfileFileBatch(const std::string& path);
// The platform's: the Windows functions on Windows, the portable one elsewhere.
std::unique_ptr<ProfileFile> OpenProfileFile(const std::string& path);

}  // namespace ombrix
