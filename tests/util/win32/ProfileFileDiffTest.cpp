// Differential test: every profile case runs through the Windows functions
// and through our own implementation, each on its own copy of the file; the
// answers must be the same, and the ones the case table expects.
#include <gtest/gtest.h>

#include "../ProfileCases.h"
#include "support/TempDir.h"
#include "util/ProfileFile.h"

using namespace ombrix;
using namespace ombrix::test;

TEST(ProfileFileDifferential, OursAnswersAsGetPrivateProfileString) {
  TempDir dir;
  int n = 0;
  for (const ProfileCase& c : ProfileCases()) {
    ++n;
    // A new name for every file: the Windows functions cache recent files.
    auto windows = RunProfileCase(c, dir / ("win" + std::to_string(n) + ".ini"), OpenProfileFile);
    auto ours = RunProfileCase(c, dir / ("our" + std::to_string(n) + ".ini"), OpenPortableProfileFile);
    EXPECT_EQ(VisibleAll(ours), VisibleAll(windows)) << c.name;
    EXPECT_EQ(VisibleAll(windows), VisibleAll(Expected(c))) << c.name;
  }
}

TEST(ProfileFileDifferential, BothFailWhenTheFolderIsMissing) {
  TempDir dir;
  std::string path = dir / "missing\\x.ini";
  EXPECT_FALSE(OpenProfileFile(path)->WriteString("A", "k", "v"));
  EXPECT_FALSE(OpenPortableProfileFile(path)->WriteString("A", "k", "v"));
}
