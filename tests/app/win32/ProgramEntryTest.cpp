// End to end: the real Ombrix.exe, started the way a user starts it.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "support/TempDir.h"
#include "support/win32/HostFixture.h"
#include "support/win32/ProgramProcess.h"
#include "support/win32/WinePath.h"
#include "util/win32/UniqueHandle.h"

#ifndef OMBRIX_EXE_PATH
#error "the build gives the path of Ombrix.exe"
#endif

namespace ombrix {
namespace {

using ::ombrix::test::WindowsPath;

using Program = test::ProgramProcess;

struct WindowSearch {
  DWORD process;
  HWND found;
};

BOOL CALLBACK MatchProcessWindow(HWND hwnd, LPARAM lParam) {
  auto* search = reinterpret_cast<WindowSearch*>(lParam);
  char cls[32] = {};
  DWORD process = 0;
  GetWindowThreadProcessId(hwnd, &process);
  if (process == search->process && GetClassNameA(hwnd, cls, sizeof cls) && std::string(cls) == "TMain") {
    search->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

// The process's visible "TMain" window, waiting up to a minute: a cold Wine
// prefix can take its time on the first start.
HWND WaitForMainWindow(const Program& program) {
  for (int i = 0; i < 600 && program.Running(); ++i) {
    if (HWND any = FindWindowA("TMain", nullptr)) {
      WindowSearch search{program.Id(), nullptr};
      EnumWindows(MatchProcessWindow, reinterpret_cast<LPARAM>(&search));
      if (search.found && IsWindowVisible(search.found)) return search.found;
      (void)any;
    }
    Sleep(100);
  }
  return nullptr;
}

std::string Caption(HWND hwnd) {
  char text[256] = {};
  // A time-out, so a hung program fails the test instead of blocking it.
  SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                      nullptr);
  return text;
}

SIZE ResizeTo(HWND hwnd, int width, int height) {
  SetWindowPos(hwnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT r{};
  GetWindowRect(hwnd, &r);
  return {r.right - r.left, r.bottom - r.top};
}

class ProgramEntryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // An Ombrix left behind by an earlier run that was killed would hold the
    // mutex; this prefix belongs to the build, so it is ended.
    for (int i = 0; i < 50; ++i) {
      HWND stale = FindWindowA("TMain", nullptr);
      if (!stale) break;
      DWORD id = 0;
      GetWindowThreadProcessId(stale, &id);
      UniqueKernelHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
      if (process) {
        TerminateProcess(process.Get(), 99);
        WaitForSingleObject(process.Get(), 10000);
      } else {
        Sleep(100);
      }
    }
    ASSERT_EQ(FindWindowA("TMain", nullptr), nullptr) << "an Ombrix runs in this Wine prefix and cannot be ended";
    exe_ = WindowsPath(dir_.Path()) + "Ombrix.exe";
    ASSERT_TRUE(CopyFileA(WindowsPath(OMBRIX_EXE_PATH).c_str(), exe_.c_str(), FALSE)) << OMBRIX_EXE_PATH;
    // Without UI-View32 installed the program ends at its first display.
    test::SimulatedHost host;
    host.uiViewFolder = WindowsPath(dir_.Path()) + "UI-View32\\";
    test::SetUpSimulatedHost(host);
  }
  void TearDown() override { test::ClearSimulatedHost(); }

  test::TempDir dir_;  // outlives the programs, which are killed first
  std::string exe_;
};

TEST_F(ProgramEntryTest, MainWindowOneInstanceAndCleanClose) {
  Program first(exe_);
  ASSERT_TRUE(first.Started());
  HWND main = WaitForMainWindow(first);
  ASSERT_NE(main, nullptr) << "no TMain window appeared";

  const std::string caption = Caption(main);
  EXPECT_EQ(caption.rfind("Ombrix 2.2.1", 0), 0u) << caption;
  const LONG style = GetWindowLongA(main, GWL_STYLE);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  RECT start{};
  GetWindowRect(main, &start);
  EXPECT_EQ(start.right - start.left, 594);
  EXPECT_EQ(start.bottom - start.top, 395);

  SIZE small = ResizeTo(main, 100, 100);
  EXPECT_EQ(small.cx, 594);
  EXPECT_EQ(small.cy, 395);
  SIZE big = ResizeTo(main, 2000, 2000);
  EXPECT_EQ(big.cx, 800);
  EXPECT_EQ(big.cy, 600);
  SIZE between = ResizeTo(main, 700, 500);
  EXPECT_EQ(between.cx, 700);
  EXPECT_EQ(between.cy, 500);

  // A top-level window of ours that never answers while we wait: a second
  // start that sent its broadcast would hang on it forever.
  HWND deaf = CreateWindowExA(0, "STATIC", "deaf", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(deaf, nullptr);
  {
    const DWORD started = GetTickCount();
    Program second(exe_);
    ASSERT_TRUE(second.Started());
    DWORD code = 1234;
    ASSERT_TRUE(second.WaitForExit(20000, code)) << "the second start did not end";
    EXPECT_EQ(code, 0u);
    // For the record only: the machine is shared, so no limit is checked.
    std::printf("second start ended after %lu ms\n", static_cast<unsigned long>(GetTickCount() - started));
  }
  DestroyWindow(deaf);

  EXPECT_TRUE(first.Running());
  EXPECT_TRUE(IsWindow(main));
  EXPECT_EQ(FindWindowA("TMain", nullptr), main);
  EXPECT_EQ(Caption(main), caption);

  PostMessageA(main, WM_CLOSE, 0, 0);
  DWORD code = 1234;
  ASSERT_TRUE(first.WaitForExit(30000, code)) << "closing the window did not end the program";
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(FindWindowA("TMain", nullptr), nullptr);
}

}  // namespace
}  // namespace ombrix
