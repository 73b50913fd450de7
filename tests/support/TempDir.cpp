#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>

#ifndef OMBRIX_TESTDATA_DIR_DEFAULT
#define OMBRIX_TESTDATA_DIR_DEFAULT ""
#endif

namespace fs = std::filesystem;

namespace ombrix::test {

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  fs::path base = fs::temp_directory_path();
  for (;;) {
    fs::path candidate = base / ("ombrix-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                 "-" + std::to_string(reinterpret_cast<uintptr_t>(this) & 0xffffff) + "-" +
                                 std::to_string(counter++));
    std::error_code ec;
    if (fs::create_directory(candidate, ec)) {
      path_ = candidate.string();
      break;
    }
  }
  path_ += fs::path::preferred_separator;
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  ASSERT_TRUE(out.good()) << "cannot write " << path;
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::string TestDataPath(const std::string& relative) {
  const char* env = std::getenv("OMBRIX_TESTDATA");
  std::string base = env ? env : OMBRIX_TESTDATA_DIR_DEFAULT;
#ifdef _WIN32
  // Wine maps the Unix root to drive Z:.
  if (!base.empty() && base[0] == '/') base = "Z:" + base;
#endif
  return base + "/" + relative;
}

bool TestDataMissing(std::string& why) {
  std::string folder = TestDataPath("pngsuite");
  std::error_code ec;
  if (fs::is_directory(folder, ec)) return false;
  why = "conformance data not found at " + folder +
        " (it ships in tests/data; OMBRIX_TESTDATA names another folder holding a pngsuite)";
  return true;
}

}  // namespace ombrix::test
