// End to end: Ombrix.exe on a PC with neither UI-View32 nor PMapServer says
// so in an error box and ends once the box is dismissed.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TempDir.h"
#include "support/win32/GuiDriver.h"
#include "support/win32/HostFixture.h"
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

  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::string command = "\"" + exe + "\"";
  ASSERT_TRUE(CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             WindowsPath(dir.Path()).c_str(), &si, &pi));
  CloseHandle(pi.hThread);

  // A cold prefix can take its time on the first start.
  const std::string text = ombrix::test::GuiDriver(pi.dwProcessId).AnswerMessageBox(IDOK, 60000);
  DWORD waited = WaitForSingleObject(pi.hProcess, 30000);
  if (waited != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 99);
  DWORD code = 1234;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hProcess);

  ASSERT_NE(text, "") << "no dialog appeared";
  EXPECT_EQ(text, "Cannot find UIView directory.  UiView must be installed before proceeding\rAborting...");
  ASSERT_EQ(waited, WAIT_OBJECT_0) << "the program did not end after the dialog";
  EXPECT_EQ(code, 0u);
  // Nothing was seeded: the list file is not created.
  EXPECT_EQ(GetFileAttributesA((WindowsPath(dir.Path()) + "TargetDirList.txt").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
