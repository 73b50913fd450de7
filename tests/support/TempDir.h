// A fresh folder for one test, removed with everything in it at the end.
#pragma once
#include <cstdlib>
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

// A path inside the conformance data (tests/data, or the folder named by
// OMBRIX_TESTDATA), usable by native and Windows test binaries alike.
std::string TestDataPath(const std::string& relative);

// True when the conformance data is missing (a folder named by
// OMBRIX_TESTDATA without it). Tests that need it then skip; CI requires it.
bool TestDataMissing(std::string& why);

}  // namespace ombrix::test

// First statement of a test that reads the conformance data.
#define OMBRIX_REQUIRE_TESTDATA()                                      \
  do {                                                                 \
    std::string ombrix_why_;                                           \
    if (::ombrix::test::TestDataMissing(ombrix_why_)) {                \
      if (std::getenv("CI")) FAIL() << ombrix_why_;                    \
      GTEST_SKIP() << ombrix_why_;                                     \
    }                                                                  \
  } while (0)

namespace ombrix::test {

}  // namespace ombrix::test
