// End to end: Ombrix.exe on a PC with neither UI-View32 nor PMapServer says
// so in an error box and ends once the box is dismissed.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TempDir.h"
#include "support/win32/HostFixture.h"
#include "support/win32/WinePath.h"

#ifndef OMBRIX_EXE_PATH
#error "the build gives the path of Ombrix.exe"
#endif

namespace {

using ::ombrix::test::WindowsPath;

struct Search {
  DWORD process;
  HWND dialog = nullptr;
};

BOOL CALLBACK FindDialog(HWND hwnd, LPARAM lParam) {
  auto* search = reinterpret_cast<Search*>(lParam);
  DWORD process = 0;
  GetWindowThreadProcessId(hwnd, &process);
  char cls[64] = {};
  GetClassNameA(hwnd, cls, sizeof cls);
  if (process == search->process && std::string(cls) == "#32770" && IsWindowVisible(hwnd)) {
    search->dialog = hwnd;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK CollectTexts(HWND hwnd, LPARAM lParam) {
  char cls[64] = {}, text[512] = {};
  GetClassNameA(hwnd, cls, sizeof cls);
  if (lstrcmpiA(cls, "Static") == 0 && GetWindowTextA(hwnd, text, sizeof text) > 0)
    reinterpret_cast<std::vector<std::string>*>(lParam)->push_back(text);
  return TRUE;
}

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
  Search search{pi.dwProcessId};
  for (int i = 0; i < 600 && !search.dialog; ++i) {
    if (WaitForSingleObject(pi.hProcess, 100) == WAIT_OBJECT_0) break;
    EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
  }
  std::vector<std::string> texts;
  if (search.dialog) {
    EnumChildWindows(search.dialog, CollectTexts, reinterpret_cast<LPARAM>(&texts));
    PostMessageA(search.dialog, WM_COMMAND, IDOK, 0);
  }
  DWORD waited = WaitForSingleObject(pi.hProcess, 30000);
  if (waited != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 99);
  DWORD code = 1234;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hProcess);

  ASSERT_NE(search.dialog, nullptr) << "no dialog appeared";
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0], "Cannot find UIView directory.  UiView must be installed before proceeding\rAborting...");
  ASSERT_EQ(waited, WAIT_OBJECT_0) << "the program did not end after the dialog";
  EXPECT_EQ(code, 0u);
  // Nothing was seeded: the list file is not created.
  EXPECT_EQ(GetFileAttributesA((WindowsPath(dir.Path()) + "TargetDirList.txt").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
