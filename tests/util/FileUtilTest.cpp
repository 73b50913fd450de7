#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "support/TempDir.h"
#include "util/Clock.h"
#include "util/FileUtil.h"

using namespace ombrix;
using namespace ombrix::test;
namespace fs = std::filesystem;

namespace {

// Sets a file's last-write time `hoursAgo` hours before a fixed reference.
void Age(const std::string& path, const fs::file_time_type& ref, int minutesAgo) {
  fs::last_write_time(path, ref - std::chrono::minutes(minutesAgo));
}

std::vector<std::string> Names(std::vector<FoundFile> found) {
  std::vector<std::string> names;
  for (const auto& f : found) names.push_back(f.name);
  std::sort(names.begin(), names.end());
  return names;
}

const std::string D(1, kPathDelim);

}  // namespace

TEST(MatchesWildcard, DosRules) {
  struct Case {
    const char* pattern;
    const char* name;
    bool match;
  } cases[] = {
      {"*.*", "noext", true},
      {"*.*", "a.b.c", true},
      {"*", "anything.txt", true},
      {"*.gfw", "LOT_N0R_0.GFW", true},
      {"*.gfw", "LOT_N0R_0.gfw.tmp", false},
      {"lot_n0r_*.bmp", "LOT_N0R_01.BMP", true},
      {"LOT_N0R_??.BMP", "LOT_N0R_01.BMP", true},
      {"LOT_N0R_??.BMP", "LOT_N0R_1.BMP", true},  // "?" matches none right before "."
      {"LOT_N0R_??.BMP", "LOT_N0R_.BMP", true},
      {"LOT_N0R_??.BMP", "LOT_N0R_123.BMP", false},
      {"AB?", "AB", true},  // ... and at the end
      {"AB?", "ABC", true},
      {"AB?", "ABCD", false},
      {"A?C", "AC", false},  // but not in the middle
      {"A?C", "ABC", true},
      {"?", "", true},
      {"n0r_0.png", "N0R_0.PNG", true},
      {"n0r_0.png", "n0r_0.pn", false},
      {"n0r_0.png", "n0r_0.pngx", false},
      {"*N0R*", "LOT_N0R_01.BMP", true},
      {"*N0R*", "LOT_N0Z_01.BMP", false},
      {"a*b*c", "aXXbYYc", true},
      {"a*b*c", "aXXcYYb", false},
      {"name.", "name", true},
      {"name.*", "name", true},
      {"name.*", "name.txt", true},
      {"name.*", "nametxt", false},
      {"*.txt", ".txt", true},
  };
  for (const Case& c : cases) EXPECT_EQ(MatchesWildcard(c.pattern, c.name), c.match) << c.pattern << " " << c.name;
}

// The same patterns through the directory search: on Windows that is
// FindFirstFileA, so the native run and the Wine run check our matcher
// against the system's.
TEST(FindFiles, PatternsFindWhatTheDirectorySearchFinds) {
  TempDir dir;
  for (const char* n : {"LOT_N0R_01.bmp", "LOT_N0R_1.bmp", "LOT_N0R_123.bmp", "lot_n0r_0.gfw", "noext", "AB",
                        "ABC", "ABCD", "a.b.c"})
    WriteFile(dir / n, "x");
  ASSERT_TRUE(CreateFolder(dir / "SubDir"));
  using V = std::vector<std::string>;
  EXPECT_EQ(Names(FindFiles(dir / "LOT_N0R_??.BMP")), (V{"LOT_N0R_01.bmp", "LOT_N0R_1.bmp"}));
  EXPECT_EQ(Names(FindFiles(dir / "*.GFW")), (V{"lot_n0r_0.gfw"}));
  EXPECT_EQ(Names(FindFiles(dir / "AB?")), (V{"AB", "ABC"}));
  EXPECT_EQ(Names(FindFiles(dir / "lot_n0r_*.bmp")), (V{"LOT_N0R_01.bmp", "LOT_N0R_1.bmp", "LOT_N0R_123.bmp"}));
  V all = Names(FindFiles(dir / "*.*"));
  EXPECT_EQ(all.size(), 10u);  // nine files and the folder, never "." or ".."
  EXPECT_TRUE(std::find(all.begin(), all.end(), "SubDir") != all.end());
  EXPECT_TRUE(FindFiles(dir / "*.none").empty());
  EXPECT_TRUE(FindFiles(dir / ("missing" + D + "*.*")).empty());
}

TEST(FileUtil, FindsNamesWithoutRegardToCase) {
  TempDir dir;
  ASSERT_TRUE(CreateFolder(dir / "Under"));
  const std::string file = dir / ("Under" + D + "LOT_N0R_01.bmp");
  WriteFile(file, "12345");
  const std::string upper = dir / ("UNDER" + D + "LOT_N0R_01.BMP");
  EXPECT_TRUE(FileExists(upper));
  EXPECT_TRUE(DirectoryExists(dir / "under"));
  EXPECT_TRUE(DirectoryExists(dir / ("UNDER" + D)));
  EXPECT_FALSE(FileExists(dir / "UNDER"));  // a folder is no file
  EXPECT_FALSE(DirectoryExists(upper));
  EXPECT_EQ(FileSize(upper), 5);
  auto found = FindFiles(upper);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].name, "LOT_N0R_01.bmp");  // as stored
  std::string content;
  ASSERT_TRUE(ReadWholeFile(upper, content));
  EXPECT_EQ(content, "12345");
  // Backslashes separate folders on every platform.
  EXPECT_TRUE(FileExists(dir.Path() + "UNDER\\lot_n0r_01.bmp"));
}

TEST(FileUtil, SizeAndTimeByDirectorySearch) {
  TempDir dir;
  WriteFile(dir / "a.txt", std::string(1234, 'x'));
  EXPECT_EQ(FileSize(dir / "a.txt"), 1234);
  EXPECT_EQ(FileSize(dir / "none.txt"), -1);
  EXPECT_EQ(FileLastWrite(dir / "none.txt"), 0);
  EXPECT_FALSE(FileExists(dir / "none.txt"));
  // Local time, like the clock's local now (a generous margin for a busy machine).
  EXPECT_NEAR(FileLastWrite(dir / "a.txt"), SystemClock().LocalNow(), 5.0 / 1440);
}

TEST(ListFilesByAge, OldestFirstThenByPath) {
  TempDir dir;
  const auto ref = fs::file_time_type::clock::now();
  for (const char* n : {"b.bmp", "a.bmp", "C.bmp", "d.bmp", "skip.txt"}) WriteFile(dir / n, "x");
  Age(dir / "d.bmp", ref, 300);
  Age(dir / "b.bmp", ref, 120);
  Age(dir / "C.bmp", ref, 120);  // same time as b: ordered by path
  Age(dir / "a.bmp", ref, 60);
  Age(dir / "skip.txt", ref, 500);
  ASSERT_TRUE(CreateFolder(dir / "old.bmp"));  // folders are never listed

  std::vector<std::string> list = {"00000000000000\tearlier entry"};
  EXPECT_EQ(ListFilesByAge(dir.Path(), "*.BMP", list), 4);
  ASSERT_EQ(list.size(), 5u);
  EXPECT_EQ(list[0], "00000000000000\tearlier entry");
  auto pathOf = [](const std::string& line) { return line.substr(line.find('\t') + 1); };
  EXPECT_EQ(pathOf(list[1]), dir / "d.bmp");
  EXPECT_EQ(pathOf(list[2]), dir / "b.bmp");
  EXPECT_EQ(pathOf(list[3]), dir / "C.bmp");
  EXPECT_EQ(pathOf(list[4]), dir / "a.bmp");
  for (size_t i = 1; i < list.size(); ++i) {
    ASSERT_EQ(list[i].find('\t'), 14u) << list[i];
    EXPECT_EQ(list[i].substr(0, 14).find_first_not_of("0123456789"), std::string::npos) << list[i];
  }
  // The stamp is the file's local last-write time.
  DateTimeParts t = DecodeDateTime(FileLastWrite(dir / "a.bmp"));
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%04d%02d%02d%02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute,
                t.second);
  EXPECT_EQ(list[4].substr(0, 14), stamp);

  // A second listing finds the same files but adds no duplicates.
  EXPECT_EQ(ListFilesByAge(dir.Path(), "*.bmp", list), 4);
  EXPECT_EQ(list.size(), 5u);
  EXPECT_EQ(ListFilesByAge(dir.Path(), "*.gif", list), 0);
}

TEST(FileUtil, CopyOverwritesAndKeepsTheTime) {
  TempDir dir;
  WriteFile(dir / "src.gif", "new content");
  WriteFile(dir / "dst.gif", "old content that is longer");
  Age(dir / "src.gif", fs::file_time_type::clock::now(), 180);
  ASSERT_TRUE(CopyFileOverwrite(dir / "SRC.GIF", dir / "DST.GIF"));
  EXPECT_EQ(ReadFile(dir / "dst.gif"), "new content");
  EXPECT_EQ(ReadFile(dir / "src.gif"), "new content");
  EXPECT_NEAR(FileLastWrite(dir / "dst.gif"), FileLastWrite(dir / "src.gif"), 2.0 / 86400);
  EXPECT_FALSE(CopyFileOverwrite(dir / "none.gif", dir / "x.gif"));
  EXPECT_FALSE(LastFileError().empty());
  EXPECT_FALSE(FileExists(dir / "x.gif"));
}

TEST(FileUtil, RenameRefusesAnExistingTarget) {
  TempDir dir;
  WriteFile(dir / "a.bmp", "A");
  WriteFile(dir / "b.bmp", "B");
  EXPECT_FALSE(RenameFile(dir / "a.bmp", dir / "b.bmp"));
  EXPECT_EQ(ReadFile(dir / "a.bmp"), "A");
  EXPECT_EQ(ReadFile(dir / "b.bmp"), "B");
  ASSERT_TRUE(RenameFile(dir / "A.BMP", dir / "c.bmp"));
  EXPECT_FALSE(FileExists(dir / "a.bmp"));
  EXPECT_EQ(ReadFile(dir / "c.bmp"), "A");
  EXPECT_FALSE(RenameFile(dir / "none.bmp", dir / "d.bmp"));

  ASSERT_TRUE(DeleteFileAt(dir / "C.BMP"));
  EXPECT_FALSE(FileExists(dir / "c.bmp"));
  EXPECT_FALSE(DeleteFileAt(dir / "c.bmp"));
}

TEST(WriteFileAtomic, ReplacesWholeOrNotAtAll) {
  TempDir dir;
  const std::string path = dir / "DownLoadList.txt";
  ASSERT_TRUE(WriteFileAtomic(path, "first\r\n"));
  EXPECT_EQ(ReadFile(path), "first\r\n");
  ASSERT_TRUE(WriteFileAtomic(path, "second\r\n"));
  EXPECT_EQ(ReadFile(path), "second\r\n");
  ASSERT_TRUE(WriteFileAtomic(path, ""));
  EXPECT_EQ(ReadFile(path), "");
  ASSERT_TRUE(WriteFileAtomic(path, "kept\r\n"));
  EXPECT_EQ(Names(FindFiles(dir / "*.*")), (std::vector<std::string>{"DownLoadList.txt"}));  // no temporary left

  // The temporary cannot be made: the old file stays whole.
  ASSERT_TRUE(CreateFolder(path + ".tmp"));
  EXPECT_FALSE(WriteFileAtomic(path, "lost"));
  EXPECT_EQ(ReadFile(path), "kept\r\n");
  EXPECT_FALSE(LastFileError().empty());
  // Nor is a file made in a folder that does not exist.
  EXPECT_FALSE(WriteFileAtomic(dir / ("none" + D + "x.txt"), "x"));
}

TEST(FileUtil, PathPieces) {
  EXPECT_EQ(ExtractFilePath("C:\\Ombrix\\Ombrix2.ini"), "C:\\Ombrix\\");
  EXPECT_EQ(ExtractFileName("C:\\Ombrix\\Ombrix2.ini"), "Ombrix2.ini");
  EXPECT_EQ(ExtractFileName("/opt/ombrix/tool"), "tool");
  EXPECT_EQ(ExtractFilePath("C:x.ini"), "C:");
  EXPECT_EQ(ExtractFilePath("plain"), "");
  EXPECT_EQ(ExtractFileExt("a\\n0r_0.png"), ".png");
  EXPECT_EQ(ExtractFileExt("dir.d\\noext"), "");
  EXPECT_EQ(IncludeTrailingDelimiter("C:\\x\\"), "C:\\x\\");
  EXPECT_EQ(IncludeTrailingDelimiter("/x/"), "/x/");
  EXPECT_EQ(IncludeTrailingDelimiter("x"), "x" + D);
  EXPECT_FALSE(ExecutableName().empty());
  EXPECT_EQ(ExecutableDir() + ExecutableName(), ExecutablePath());
  EXPECT_TRUE(FileExists(ExecutablePath()));
}
