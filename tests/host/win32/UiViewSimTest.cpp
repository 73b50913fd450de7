// The program's UI-View32 link against the simulated UI-View32 that runs as
// a process of its own (UiView32Sim.exe, registered as a local server with
// its type library): calls go through the virtual-table slots across
// processes, events come back while the caller pumps messages, the map
// window shows PMapServer's underlay, and the server ends with its client,
// also when that client is killed.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/win32/UIView32_TLB.h"
#include "support/TempDir.h"
#include "support/win32/HostFixture.h"
#include "support/win32/ProgramProcess.h"
#include "support/win32/WinePath.h"
#include "util/FileUtil.h"

#ifndef OMBRIX_EXE_PATH
#error "the build gives the path of Ombrix.exe"
#endif

using namespace ombrix;
using namespace ombrix::test;

namespace {

HWND MapWindow() { return FindWindowA("UiView32SimMap", nullptr); }

std::string Title(HWND window) {
  char text[256] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

class UiViewSim : public ::testing::Test {
 protected:
  TempDir dir;
  std::string folder = WindowsPath(dir.Path());
  std::string log = dir / "uiview.log";

  void SetUp() override {
    // The server inherits the log's place from its client, as COM starts it.
    SetEnvironmentVariableA("UIVIEW32_DOUBLE_LOG", log.c_str());
    SimulatedHost host;
    host.uiViewFolder = folder + "UI-View32\\";
    host.lastMap = "C:\\UI-View32\\MAPS\\!!PMapServer7.map";
    host.simExe = ExecutableDir() + "UiView32Sim.exe";
    SimulatedPMap pmap;
    pmap.folder = folder + "PMapServer7\\";
    pmap.underlay = pmap.folder + "PMap Underlays\\LOT_N0R_0.bmp";
    pmap.createUnderlayFile = true;
    host.pmaps = {pmap};
    SetUpSimulatedHost(host);
  }
  void TearDown() override {
    for (int i = 0; i < 100 && MapWindow(); ++i) Sleep(100);  // let the server end
    ClearSimulatedHost();
    SetEnvironmentVariableA("UIVIEW32_DOUBLE_LOG", nullptr);
  }
  std::string Log() { return ReadFile(log); }
  template <class Done>
  void PumpUntil(Done done) {
    for (int i = 0; i < 500 && !done(); ++i) {
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
      Sleep(20);
    }
  }
};

TEST_F(UiViewSim, CallsAndEventsCrossProcessesUntilUiViewCloses) {
  ComApartment com;
  TclsUIV link;
  std::vector<std::pair<DISPID, size_t>> events;
  std::wstring caller;
  link.OnAnyEvent = [&](DISPID id, const std::vector<VARIANT>& args) {
    events.emplace_back(id, args.size());
    if (id == 2 && !args.empty() && args[0].vt == (VT_BSTR | VT_BYREF)) caller = *args[0].pbstrVal;
  };
  int closing = 0;
  link.OnUIView32IsClosing = [&] { ++closing; };

  link.Connect();
  ASSERT_TRUE(link.Connected());
  HWND map = MapWindow();
  ASSERT_NE(map, nullptr) << "no map window";
  DWORD serverProcess = 0;
  GetWindowThreadProcessId(map, &serverProcess);
  EXPECT_NE(serverProcess, GetCurrentProcessId());
  EXPECT_EQ(Title(map), "UI-View32 (simulated) - PMapServer7 - LOT_N0R_0.bmp");

  link.RedrawMap();
  link.ZoomToArea(-92.5, 44.25, -85.125, 38.0625);
  WriteFile(dir / "uiview.cmd", "raise 2\r\nraise 11\r\nquit\r\n");
  PumpUntil([&] { return closing > 0; });

  EXPECT_EQ(closing, 1);
  EXPECT_EQ(events, (std::vector<std::pair<DISPID, size_t>>{{2, 3}, {11, 7}, {3, 0}}));
  EXPECT_EQ(caller, L"N0CALL");
  EXPECT_EQ(Log().rfind("create\r\nAdvise 1\r\nRedrawMap\r\nZoomToArea -92.5 44.25 -85.125 38.0625 0\r\n", 0), 0u)
      << Log();
  EXPECT_NE(Log().find("quit\r\nevent 3 args 0 -> 0x00000000\r\n"), std::string::npos) << Log();
  // UI-View32 has gone: its window closes and a redraw fails.
  for (int i = 0; i < 100 && MapWindow(); ++i) Sleep(100);
  EXPECT_EQ(MapWindow(), nullptr);
  EXPECT_THROW(link.RedrawMap(), UiViewError);
}

TEST_F(UiViewSim, ServerStartedForAClientEndsWhenItLetsGo) {
  ComApartment com;
  {
    TclsUIV link;
    link.Connect();
    ASSERT_NE(MapWindow(), nullptr);
    link.Disconnect();
  }
  for (int i = 0; i < 100 && MapWindow(); ++i) Sleep(100);
  EXPECT_EQ(MapWindow(), nullptr);
  EXPECT_NE(Log().find("Unadvise 1\r\ndestroy\r\n"), std::string::npos) << Log();
}

// Wine never tells a local server that its client died; the server finds
// out by itself and ends, instead of holding the pipes of whoever started it.
TEST_F(UiViewSim, ServerEndsWhenItsClientIsKilled) {
  std::string exe = folder + "Ombrix.exe";
  ASSERT_TRUE(CopyFileA(WindowsPath(OMBRIX_EXE_PATH).c_str(), exe.c_str(), FALSE));
  {
    ombrix::test::ProgramProcess program(exe);
    ASSERT_TRUE(program.Started());
    for (int i = 0; i < 600 && Log().find("Advise 1") == std::string::npos; ++i) Sleep(100);
    program.Kill();
  }
  ASSERT_NE(Log().find("Advise 1"), std::string::npos) << "Ombrix never subscribed";
  ASSERT_NE(MapWindow(), nullptr);
  for (int i = 0; i < 300 && MapWindow(); ++i) Sleep(100);
  EXPECT_EQ(MapWindow(), nullptr) << "the server outlived its killed client";
}

}  // namespace
