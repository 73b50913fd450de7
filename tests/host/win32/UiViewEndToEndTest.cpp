// End to end: Ombrix.exe on a station with UI-View32 (the double) showing a
// PMapServer 7 map. It finds its hosts, connects at start, hears UI-View32
// closing, and lets go of the link when it ends.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TempDir.h"
#include "support/win32/GuiDriver.h"
#include "support/win32/HostFixture.h"
#include "support/win32/ProgramProcess.h"
#include "support/win32/WinePath.h"
#include "util/FileUtil.h"

#ifndef OMBRIX_EXE_PATH
#error "the build gives the path of Ombrix.exe"
#endif

namespace {

using ombrix::test::ReadFile;

using ::ombrix::test::WindowsPath;

using ::ombrix::test::GuiDriver;

TEST(OmbrixWithUiView, FindsHostsConnectsAndHearsUiViewClosing) {
  ombrix::test::TempDir dir;
  std::string folder = WindowsPath(dir.Path());
  std::string log = folder + "uiview.log";
  SetEnvironmentVariableA("UIVIEW32_DOUBLE_LOG", log.c_str());  // inherited by the program
  ombrix::test::SimulatedHost host;
  host.uiViewFolder = folder + "UI-View32\\";
  host.lastMap = "C:\\UI-View32\\MAPS\\!!PMapServer7.map";
  host.doubleDll = ombrix::ExecutableDir() + ombrix::test::kUiViewDoubleDll;
  ombrix::test::SimulatedPMap pmap;
  pmap.folder = folder + "PMapServer7\\";
  pmap.underlay = pmap.folder + "PMap Underlays\\radar.bmp";
  pmap.createUnderlayFile = true;
  host.pmaps = {pmap};
  ombrix::test::SetUpSimulatedHost(host);
  std::string exe = folder + "Ombrix.exe";
  ASSERT_TRUE(CopyFileA(WindowsPath(OMBRIX_EXE_PATH).c_str(), exe.c_str(), FALSE));

  ombrix::test::ProgramProcess program(exe);
  ASSERT_TRUE(program.Started());
  HWND main = GuiDriver(program.Id()).WaitForWindow("TMain", 60000);

  bool labelShown = false, buttonEnabled = false, buttonDisabledAfterClose = false;
  if (main) {
    labelShown = GuiDriver::Child(main, "UiView Map = PMapServer7, underlay = radar") != nullptr;
    HWND redraw = GuiDriver::Child(main, "Redraw map");
    buttonEnabled = redraw && IsWindowEnabled(redraw);
    ombrix::test::WriteFile(dir / "uiview.cmd", "quit\r\n");  // UI-View32 shuts down
    for (int i = 0; i < 100 && redraw && IsWindowEnabled(redraw); ++i) Sleep(100);
    buttonDisabledAfterClose = redraw && !IsWindowEnabled(redraw);
  }
  // "Shut Down when UiView terminates" is checked by default: UI-View32
  // closing ends the program.
  const bool ended = program.WaitForExit(30000);
  if (!ended) program.Kill();
  SetEnvironmentVariableA("UIVIEW32_DOUBLE_LOG", nullptr);
  ombrix::test::ClearSimulatedHost();

  ASSERT_NE(main, nullptr) << "no main window appeared";
  EXPECT_TRUE(labelShown);
  EXPECT_TRUE(buttonEnabled) << "not connected at start";
  EXPECT_TRUE(buttonDisabledAfterClose) << "the closing event did not reach the window";
  EXPECT_TRUE(ended);
  EXPECT_EQ(ReadFile(dir / "TargetDirList.txt"), pmap.folder + "PMap Underlays\\\r\n");
  std::string calls = ReadFile(dir / "uiview.log");
  EXPECT_EQ(calls.rfind("create\r\nAdvise 1\r\n", 0), 0u) << calls;
  EXPECT_NE(calls.find("quit\r\nevent 3 args 0 -> 0x00000000\r\n"), std::string::npos) << calls;
  EXPECT_NE(calls.find("Unadvise 1\r\n"), std::string::npos) << calls;  // the link let go at the end
}

}  // namespace
