// A fresh folder for one test, removed with everything in it at the end.
#pragma once
#include <string>

namespace ombrix::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder, with a trailing delimiter.
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + name; }

 private:
  std::string path_;
};

// Writes content to path (binary); fails the test on error.
void WriteFile(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path);

// A path inside the shared conformance data, usable by native and Windows
// test binaries alike.
std::string TestDataPath(const std::string& relative);

}  // namespace ombrix::test
