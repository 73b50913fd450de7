#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "ProfileCases.h"
#include "support/TempDir.h"
#include "util/FileUtil.h"
#include "util/ProfileFile.h"

#ifndef _WIN32
#include <unistd.h>
#endif

using namespace ombrix;
using namespace ombrix::test;

// The cases the differential test checks against the Windows functions, here
// run through our implementation alone, so they hold on every platform.
TEST(PortableProfileFile, AnswersAsTheWindowsFunctions) {
  TempDir dir;
  int n = 0;
  for (const ProfileCase& c : ProfileCases()) {
    std::string path = dir / ("case" + std::to_string(++n) + ".ini");
    EXPECT_EQ(VisibleAll(RunProfileCase(c, path, OpenPortableProfileFile)), VisibleAll(Expected(c))) << c.name;
  }
}

// The settings save: every write collected in memory and the file replaced
// once at Commit, leaving the very bytes the key-by-key writer leaves.
TEST(ProfileFileBatch, LeavesTheBytesOfKeyByKeyWritesAndTouchesTheFileOnlyAtCommit) {
  TempDir dir;
  const auto contentOf = [](const std::string& path) { return FileExists(path) ? ReadFile(path) : "<none>"; };
  int n = 0;
  for (const ProfileCase& c : ProfileCases()) {
    ++n;
    std::string single = dir / ("single" + std::to_string(n) + ".ini");
    std::string batch = dir / ("batch" + std::to_string(n) + ".ini");
    std::vector<std::string> answers = RunProfileCase(c, single, OpenPortableProfileFile);
    if (std::find(answers.begin(), answers.end(), "fail") != answers.end()) continue;
    if (c.fileExists) WriteFile(batch, c.content);
    auto file = OpenProfileFileBatch(batch);
    for (const ProfileOp& op : c.ops) {
      if (op.write) EXPECT_TRUE(file->WriteString(op.section, op.key, op.text)) << c.name;
      else EXPECT_EQ(file->ReadString(op.section, op.key, op.text), op.expect) << c.name;
    }
    EXPECT_EQ(contentOf(batch), c.fileExists ? c.content : "<none>") << c.name << ": written before Commit";
    ASSERT_TRUE(file->Commit()) << c.name;
    EXPECT_EQ(Visible(contentOf(batch)), Visible(contentOf(single))) << c.name;
  }

  // A read-only file fails at Commit, even with the values it already holds
  // (as the Windows functions refuse it), and stays as it was.
  std::string ro = dir / "ro.ini";
  WriteFile(ro, "[A]\r\nk=1\r\n");
  namespace fs = std::filesystem;
  fs::permissions(ro, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  auto same = OpenProfileFileBatch(ro);
  same->WriteString("A", "k", "1");
  EXPECT_FALSE(same->Commit());
  EXPECT_TRUE(OpenProfileFileBatch(ro)->Commit()) << "nothing written, nothing to refuse";
  auto changed = OpenProfileFileBatch(ro);
  changed->WriteString("A", "k", "2");
  changed->WriteString("A", "j", "3");
  EXPECT_FALSE(changed->Commit());
  EXPECT_EQ(ReadFile(ro), "[A]\r\nk=1\r\n");
  EXPECT_FALSE(FileExists(ro + ".tmp"));
  fs::permissions(ro, fs::perms::owner_write, fs::perm_options::add);
}

TEST(PortableProfileFile, KeepsEveryOtherLineByteForByte) {
  TempDir dir;
  std::string path = dir / "Ombrix2.ini";
  WriteFile(path,
            "; settings\r\n\r\n[User]\r\n  Left = 10 ; where\r\nRadar=IL,Chicago,LOT\r\n\r\n[URL]\r\nRIDGE = x\r\n");
  auto ini = OpenPortableProfileFile(path);
  ASSERT_TRUE(ini->WriteString("user", "radar", "TX,Dallas,FWS"));
  EXPECT_EQ(ReadFile(path),
            "; settings\r\n\r\n[User]\r\n  Left = 10 ; where\r\nRadar=TX,Dallas,FWS\r\n\r\n[URL]\r\nRIDGE = x\r\n");
  // A new key goes after the section's last line, before the blank line.
  ASSERT_TRUE(ini->WriteString("User", "Mode", "1"));
  ASSERT_TRUE(ini->WriteString("Extra", "K", "v"));
  EXPECT_EQ(ReadFile(path),
            "; settings\r\n\r\n[User]\r\n  Left = 10 ; where\r\nRadar=TX,Dallas,FWS\r\nMode=1\r\n\r\n"
            "[URL]\r\nRIDGE = x\r\n[Extra]\r\nK=v\r\n");
}

TEST(PortableProfileFile, KeepsAUtf8FileUtf8) {
  TempDir dir;
  std::string path = dir / "utf8.ini";
  WriteFile(path, "\xEF\xBB\xBF; caf\xC3\xA9 \xE4\xB8\xAD\r\n[A]\r\nx=1\r\n");
  ASSERT_TRUE(OpenPortableProfileFile(path)->WriteString("A", "x", "\xE9\x80"));
  EXPECT_EQ(Visible(ReadFile(path)),
            Visible("\xEF\xBB\xBF; caf\xC3\xA9 \xE4\xB8\xAD\r\n[A]\r\nx=\xC3\xA9\xE2\x82\xAC\r\n"));
}

TEST(PortableProfileFile, WritesCrLfLineEnds) {
  TempDir dir;
  std::string path = dir / "lf.ini";
  WriteFile(path, "[A]\nk=1\nlast=2");
  ASSERT_TRUE(OpenPortableProfileFile(path)->WriteString("A", "k", "3"));
  EXPECT_EQ(ReadFile(path), "[A]\r\nk=3\r\nlast=2\r\n");

  std::string fresh = dir / "new.ini";
  ASSERT_TRUE(OpenPortableProfileFile(fresh)->WriteString("User", "Version", "Ombrix 2.2.1"));
  EXPECT_EQ(ReadFile(fresh), "[User]\r\nVersion=Ombrix 2.2.1\r\n");
}

TEST(PortableProfileFile, FailedWritesReportFalseAndKeepTheFile) {
  TempDir dir;
  // No such folder.
  EXPECT_FALSE(OpenPortableProfileFile(dir / "missing" + std::string(1, kPathDelim) + "x.ini")
                   ->WriteString("A", "k", "v"));

  // A read-only file stays as it was, whoever runs the test.
  std::string ro = dir / "ro.ini";
  WriteFile(ro, "[A]\r\nk=1\r\n");
  namespace fs = std::filesystem;
  fs::permissions(ro, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  auto ini = OpenPortableProfileFile(ro);
  EXPECT_FALSE(ini->WriteString("A", "k", "2"));
  EXPECT_EQ(ReadFile(ro), "[A]\r\nk=1\r\n");
  EXPECT_EQ(ini->ReadString("A", "k", "d"), "1");
  EXPECT_FALSE(FileExists(ro + ".tmp"));
  fs::permissions(ro, fs::perms::owner_write, fs::perm_options::add);
}

#ifndef _WIN32
TEST(PortableProfileFile, ReadOnlyFolderFails) {
  if (geteuid() == 0) GTEST_SKIP() << "root may write any folder";
  TempDir dir;
  std::string sub = dir / "ro";
  ASSERT_TRUE(CreateFolder(sub));
  WriteFile(sub + "/x.ini", "[A]\r\nk=1\r\n");
  namespace fs = std::filesystem;
  fs::permissions(sub, fs::perms::owner_write, fs::perm_options::remove);
  EXPECT_FALSE(OpenPortableProfileFile(sub + "/x.ini")->WriteString("A", "k", "2"));
  EXPECT_FALSE(OpenPortableProfileFile(sub + "/new.ini")->WriteString("A", "k", "2"));
  fs::permissions(sub, fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(ReadFile(sub + "/x.ini"), "[A]\r\nk=1\r\n");
}
#endif

TEST(PortableProfileFile, FindsTheFileWhateverTheCaseOfItsName) {
  TempDir dir;
  WriteFile(dir / "Ombrix2.ini", "[User]\r\nMode=1\r\n");
  auto ini = OpenPortableProfileFile(dir / "OMBRIX2.INI");
  EXPECT_EQ(ini->ReadString("User", "Mode", "0"), "1");
  ASSERT_TRUE(ini->WriteString("User", "Mode", "0"));
  EXPECT_EQ(ReadFile(dir / "Ombrix2.ini"), "[User]\r\nMode=0\r\n");
}

TEST(ProfileFile, ThePlatformOneReadsAndWrites) {
  TempDir dir;
  auto ini = OpenProfileFile(dir / "p.ini");
  EXPECT_EQ(ini->Path(), dir / "p.ini");
  EXPECT_EQ(ini->ReadString("User", "Width", "594"), "594");
  ASSERT_TRUE(ini->WriteString("User", "Width", "700"));
  EXPECT_EQ(ini->ReadString("USER", "width", "594"), "700");
}
