// A process killed at any moment of SaveDownloadList leaves the old file or
// the new one, never a torn one.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "records/Catalogues.h"
#include "records/DownloadList.h"
#include "support/TempDir.h"

namespace ombrix::test {
namespace {

TEST(KillDuringSaveTest, LeavesTheOldOrTheNewFile) {
  TempDir dir;
  const std::string path = dir / "DownLoadList.txt";
  TRadarList a, b;
  for (const std::string& radar : BuiltInRadars()) {
    auto add = [&](TRadarList& list, const char* status) {
      auto r = std::make_unique<TRadarObj>();
      r->InitFromSelection(radar, "Velocity, N0V", ServerSettings::Defaults());
      r->Status = status;
      std::string key = RecordKey(*r);
      list.Add(key, std::move(r));
    };
    add(a, "first version");
    add(b, "second version, a little longer");
  }
  ASSERT_TRUE(SaveDownloadListFile(path, a));
  const std::string textA = ReadFile(path);
  ASSERT_TRUE(SaveDownloadListFile(path, b));
  const std::string textB = ReadFile(path);

  for (int round = 0; round < 12; ++round) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int i = 0;; ++i) SaveDownloadListFile(path, i % 2 ? a : b);
    }
    usleep(2000 + round * 1500);
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    std::string now = ReadFile(path);
    EXPECT_TRUE(now == textA || now == textB) << "round " << round << ": " << now.size() << " bytes";
  }
}

}  // namespace
}  // namespace ombrix::test
