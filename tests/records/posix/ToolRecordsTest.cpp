// ombrix-tool record, world and list, run as a separate program.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "support/TempDir.h"

#ifndef OMBRIX_TOOL_PATH
#error "the build gives the path of ombrix-tool"
#endif

namespace ombrix::test {
namespace {

struct ToolRun {
  int code = -1;
  std::string out;
};

ToolRun Tool(const std::string& args) {
  ToolRun run;
  std::string command = std::string("'") + OMBRIX_TOOL_PATH + "' " + args + " 2>&1";
  FILE* p = popen(command.c_str(), "r");
  if (!p) return run;
  char buf[4096];
  for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) run.out.append(buf, n);
  int status = pclose(p);
  run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

TEST(ToolRecordsTest, RecordPrintsTheDerivedFields) {
  TempDir dir;
  WriteFile(dir / "o2.ini", "[URL]\r\nRIDGE=mirror.example.org/ridge/\r\n");
  ToolRun run = Tool("record 'NJ/Philadelphia, PA,Fort Dix,DIX' 'Velocity, N0V' --ini '" + dir / "o2.ini" + "'");
  EXPECT_EQ(run.code, 0) << run.out;
  EXPECT_NE(run.out.find("SiteName\tDIX\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("ImageUrl\thttp://mirror.example.org/ridge/N0V/DIX_N0V_0.gif\n"), std::string::npos);
  EXPECT_NE(run.out.find("LegendFile\tDIX_N0V_Legend_0.gif\n"), std::string::npos);
  EXPECT_EQ(Tool("record only-one").code, 2);
}

TEST(ToolRecordsTest, WorldPrintsTheBoundsText) {
  TempDir dir;
  WriteFile(dir / "w.gfw", "<pre>\r\n0.011785\r\n0\r\n0\r\n-0.00997\r\n-92.5816\r\n44.405\r\n</pre>\r\n");
  ToolRun sized = Tool("world '" + dir / "w.gfw" + "' 600 550");
  EXPECT_EQ(sized.code, 0);
  EXPECT_EQ(sized.out, "-92.5874862670898,44.409984588623,-85.516487121582,38.9264831542969\n");
  EXPECT_EQ(Tool("world '" + dir / "w.gfw" + "' 0 550").code, 1) << "no usable bounds";
  EXPECT_EQ(Tool("world '" + dir / "w.gfw" + "' 600").code, 2);
}

TEST(ToolRecordsTest, ListPrintsTheRecordsAndSavesThemBackUnchanged) {
  TempDir dir;
  const std::string line =
      "IL,Chicago,LOT\tVelocity, N0V\tLOT_N0V_0\tOK\t1,2,3,4\tTRUE\tFALSE\t03/15/2023 10:00:00\t"
      "03/15/2023 09:55:00\t03/15/2023 10:05:00\r\n";
  WriteFile(dir / "DownLoadList.txt", line + "short line\r\n" + line);
  ToolRun run = Tool("list '" + dir / "DownLoadList.txt" + "' --save '" + dir / "out.txt" + "'");
  EXPECT_EQ(run.code, 0) << run.out;
  EXPECT_NE(run.out.find("Enabled\tFALSE\nLastAttempt\t03/15/2023 10:00:00\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("count 1\n"), std::string::npos);
  EXPECT_EQ(ReadFile(dir / "out.txt"), line);
  EXPECT_EQ(Tool("list '" + dir / "none.txt" + "'").code, 1);
}

}  // namespace
}  // namespace ombrix::test
