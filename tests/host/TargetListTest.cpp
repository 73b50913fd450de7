#include <gtest/gtest.h>

#include "host/TargetList.h"
#include "support/TempDir.h"
#include "util/FileUtil.h"

using namespace ombrix;
using ombrix::test::ReadFile;
using ombrix::test::TempDir;
using ombrix::test::WriteFile;
using List = std::vector<std::string>;

TEST(TargetListFile, LinesEndAtCrLfOrCrLfAndAreNotTrimmed) {
  EXPECT_EQ(ParseTargetList(""), List{});
  EXPECT_EQ(ParseTargetList("a\r\nb\nc\rd"), (List{"a", "b", "c", "d"}));
  EXPECT_EQ(ParseTargetList("a\r\n\r\nb\r\n"), (List{"a", "", "b"}));  // a blank line is an entry
  EXPECT_EQ(ParseTargetList("\n\r"), (List{"", ""}));
  EXPECT_EQ(ParseTargetList(" C:\\X\\ \r\n"), (List{" C:\\X\\ "}));
  EXPECT_EQ(FormatTargetList({"a", "", "b"}), "a\r\n\r\nb\r\n");
  EXPECT_EQ(FormatTargetList({}), "");
  EXPECT_FALSE(DirectoryExists(""));  // so an empty entry is skipped at delivery
}

TEST(TargetListFile, SaveReplacesWholeAndLoadReadsBack) {
  TempDir dir;
  std::string path = dir / "TargetDirList.txt";
  List items;
  EXPECT_FALSE(LoadTargetList(path, items));
  SaveTargetList(path, {"C:\\A\\", "\\\\pc\\share\\"});
  EXPECT_EQ(ReadFile(path), "C:\\A\\\r\n\\\\pc\\share\\\r\n");
  SaveTargetList(path, {});
  EXPECT_TRUE(FileExists(path));
  EXPECT_EQ(ReadFile(path), "");
  WriteFile(path, "x\ny");
  ASSERT_TRUE(LoadTargetList(path, items));
  EXPECT_EQ(items, (List{"x", "y"}));
  EXPECT_THROW(SaveTargetList(dir / "no-such-folder/TargetDirList.txt", {"a"}), std::runtime_error);
  EXPECT_EQ(IndexOfTarget({"C:\\A\\", "c:\\b\\"}, "C:\\B\\"), 1);
  EXPECT_EQ(IndexOfTarget({"C:\\A\\"}, "C:\\A"), -1);
}
