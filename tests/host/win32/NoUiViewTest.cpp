// End to end: Ombrix.exe on a PC with neither UI-View32 nor PMapServer says
// so in an error box and ends once the box is dismissed.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TempDir.h"
#include "support/win32/GuiDriver.h"
#include "support/win32/HostFixture.h"
#include "support/win32/ProgramProcess.h"
#include "support/win32/WinePath.h"

#ifndef OMBRIX_EXE_PATH
#error "the build gives the path of Ombrix.exe"
#endif

namespace {

using ::ombrix::test::WindowsPath;

TEST(OmbrixWithoutUiView, ShowsTheMissingUiViewErrorThenEnds) {
  ombrix::test::ClearSimulatedHost();
  ombrix::test::TempDir dir;
  std::string exe = WindowsPath(dir.Path()) + "Ombrix.exe";
  ASSERT_TRUE(CopyFileA(WindowsPath(OMBRIX_EXE_PATH).c_str(), exe.c_str(), FALSE));

  ombrix::test::ProgramProcess program(exe);
  ASSERT_TRUE(program.Started());

  // A cold prefix can take its time on the first start.
  const std::string text = ombrix::test::GuiDriver(program.Id()).AnswerMessageBox(IDOK, 60000);
  DWORD code = 1234;
  const bool ended = program.WaitForExit(30000, code);

  ASSERT_NE(text, "") << "no dialog appeared";
  EXPECT_EQ(text, "Cannot find UIView directory.  UiView must be installed before proceeding\rAborting...");
  ASSERT_TRUE(ended) << "the program did not end after the dialog";
  EXPECT_EQ(code, 0u);
  // Nothing was seeded: the list file is not created.
  EXPECT_EQ(GetFileAttributesA((WindowsPath(dir.Path()) + "TargetDirList.txt").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
