// The real Ombrix.exe worked from outside as a user works it, on a station
// with UI-View32 (the double) showing a PMapServer 7 map whose underlay has a
// history of nine images: the radar loop and zoom from the tray menu, the
// record commands with their dialogs, the mode switch, minimise to the tray
// and back, and Exit from the tray menu.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "app/ServerSettings.h"
#include "records/DownloadList.h"
#include "records/RadarList.h"
#include "support/TempDir.h"
#include "support/win32/GuiDriver.h"
#include "support/win32/HostFixture.h"
#include "support/win32/ProgramProcess.h"
#include "support/win32/WinePath.h"
#include "util/Clock.h"
#include "util/FileUtil.h"
#include "util/win32/UniqueHandle.h"

#ifndef OMBRIX_EXE_PATH
#error "the build gives the path of Ombrix.exe"
#endif

namespace ombrix {
namespace {

using test::GuiDriver;
using test::ReadFile;
using test::WindowsPath;
using test::WriteFile;

constexpr UINT kTrayMessage = WM_USER + 100;
constexpr int kColumns = 9;

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class WindowGui : public ::testing::Test {
 protected:
  test::TempDir dir;
  std::string folder = WindowsPath(dir.Path());
  std::string underlays = folder + "PMapServer7\\PMap Underlays\\";
  std::string log = folder + "uiview.log";
  std::unique_ptr<test::ProgramProcess> program;

  void SetUp() override {
    SetEnvironmentVariableA("UIVIEW32_DOUBLE_LOG", log.c_str());  // inherited by the program
    test::SimulatedHost host;
    host.uiViewFolder = folder + "UI-View32\\";
    host.lastMap = "C:\\UI-View32\\MAPS\\!!PMAPSERVER7.map";  // the loop runs on PMapServer maps only
    host.doubleDll = ExecutableDir() + test::kUiViewDoubleDll;
    test::SimulatedPMap pmap;
    pmap.folder = folder + "PMapServer7\\";
    pmap.underlay = underlays + "LOT_N0R_0.bmp";
    host.pmaps = {pmap};
    test::SetUpSimulatedHost(host);

    // The current underlay and nine older ones, each with its bounds file.
    WriteFile(underlays + "LOT_N0R_0.bmp", "current");
    for (int n = 1; n <= 9; ++n) {
      const std::string name = underlays + "LOT_N0R_0" + std::to_string(n);
      WriteFile(name + ".bmp", "frame" + std::to_string(n));
      WriteFile(name + ".Sat", "bounds");
      std::filesystem::last_write_time(name + ".bmp",
                                       std::filesystem::file_time_type::clock::now() - std::chrono::minutes(n));
    }
    // The download list holds the record of that underlay, accumulating,
    // with the bounds of its last world file.
    TRadarList list;
    auto record = std::make_unique<TRadarObj>();
    record->InitFromSelection("IL,Chicago,LOT", "Base Reflectivity, N0R", ServerSettings::Defaults());
    record->Accumulate = true;
    record->WorldText = FormatWorldText(-92.5f, 44.25f, -84.5f, 38.75f);
    record->NextAttempt = UtcNow() + 1;  // not due: no pass holds the loop back
    const std::string key = RecordKey(*record);
    list.Add(key, std::move(record));
    SaveDownloadListFile(folder + "DownLoadList.txt", list);

    // A record added below is due at the next tick: its pass must fail at
    // once (nothing listens there), not wait on a name lookup.
    WriteFile(dir / "Ombrix2.ini", "[URL]\r\nRIDGE=http://127.0.0.1:9/ridge/RadarImg/\r\n");

    const std::string exe = folder + "Ombrix.exe";
    ASSERT_TRUE(CopyFileA(WindowsPath(OMBRIX_EXE_PATH).c_str(), exe.c_str(), FALSE));
    program = std::make_unique<test::ProgramProcess>(exe);
    ASSERT_TRUE(program->Started());
  }
  void TearDown() override {
    program.reset();  // killed if it still runs
    SetEnvironmentVariableA("UIVIEW32_DOUBLE_LOG", nullptr);
    test::ClearSimulatedHost();
  }
  std::string Calls() { return FileExists(dir / "uiview.log") ? ReadFile(dir / "uiview.log") : ""; }
};

TEST_F(WindowGui, UserWorksTheWindowTheGridAndTheTray) {
  GuiDriver gui(program->Id());
  HWND main = gui.WaitForWindow("TMain", 60000);
  ASSERT_NE(main, nullptr) << "no main window appeared";
  HWND grid = GuiDriver::ChildOfClass(main, "SysListView32", 0);
  ASSERT_NE(grid, nullptr);
  EXPECT_EQ(gui.ListViewRows(grid, kColumns).at(0).at(0), "IL,Chicago,LOT");

  // Layout: the grid and the Add button where the window's design puts them
  // (the lower panel starts 81 pixels down).
  auto at = [main](HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&r), 2);
    return r;
  };
  HWND add = GuiDriver::Child(main, "Add selected Radar and Product");
  ASSERT_NE(add, nullptr);
  EXPECT_EQ(at(grid).left, 8);
  EXPECT_EQ(at(grid).top, 81 + 81);
  EXPECT_EQ(at(grid).right - at(grid).left, 568);
  EXPECT_EQ(at(add).left, 401);
  EXPECT_EQ(at(add).top, 81 + 46);
  EXPECT_EQ(at(add).right - at(add).left, 177);

  // Loop from the tray menu: nine frames oldest first, then the current one.
  Sleep(2500);  // Timer1 has enabled "Loop LOT_N0R_0 Radar" by now
  PostMessageA(main, kTrayMessage, 1, WM_RBUTTONDOWN);
  ASSERT_TRUE(gui.UseOpenMenu({VK_DOWN, VK_RETURN}));
  EXPECT_TRUE(GuiDriver::WaitFor([&] { return GuiDriver::Child(main, "Looped 10 images in ", 0, true) != nullptr; }))
      << Calls();
  EXPECT_EQ(Count(Calls(), "RedrawMap"), 10);
  EXPECT_EQ(ReadFile(underlays + "LOT_N0R_0.bmp"), "current");
  EXPECT_EQ(ReadFile(underlays + "LOT_N0R_05.bmp"), "frame5");
  EXPECT_FALSE(FileExists(underlays + "LOT_N0R_0.tmp"));

  // Zoom from the tray menu: UI-View32 shows the record's area.
  PostMessageA(main, kTrayMessage, 1, WM_RBUTTONDOWN);
  ASSERT_TRUE(gui.UseOpenMenu({VK_DOWN, VK_DOWN, VK_RETURN}));
  EXPECT_TRUE(GuiDriver::WaitFor(
      [&] { return Calls().find("ZoomToArea -92.5 44.25 -84.5 38.75 0") != std::string::npos; }))
      << Calls();

  // Deleting the only record leaves one blank row.
  GuiDriver::Click(GuiDriver::Child(main, "Delete", 1));  // the grid's, not the target list's
  EXPECT_EQ(gui.AnswerMessageBox(IDYES), "Delete IL,Chicago,LOT,Base Reflectivity, N0R?");
  EXPECT_TRUE(GuiDriver::WaitFor([&] { return gui.ListViewRows(grid, kColumns).at(0).at(0).empty(); }));
  EXPECT_EQ(gui.ListViewRows(grid, kColumns), std::vector<std::vector<std::string>>(1, std::vector<std::string>(9)));

  // Adding through the confirmation; the same record again is refused.
  HWND radar = GuiDriver::ChildOfClass(main, "ComboBox", 1), product = GuiDriver::ChildOfClass(main, "ComboBox", 2);
  GuiDriver::Type(main, radar, "TX,Houston,HGX");
  GuiDriver::Type(main, product, "N0R, Base Reflectivity");
  GuiDriver::Click(add);
  EXPECT_EQ(gui.AnswerMessageBox(IDYES), "Add TX,Houston,HGX/N0R, Base Reflectivity to download list?");
  EXPECT_TRUE(GuiDriver::WaitFor([&] { return gui.ListViewRows(grid, kColumns).at(0).at(0) == "TX,Houston,HGX"; }));
  auto row = gui.ListViewRows(grid, kColumns).at(0);
  EXPECT_EQ(row[1], "Base Reflectivity, N0R");
  EXPECT_EQ(row[2], "");
  EXPECT_EQ(row[3], "New record");
  EXPECT_EQ(row[6], "No");
  EXPECT_EQ(row[7], "Yes");
  EXPECT_EQ(row[8], "0,0");
  GuiDriver::Type(main, radar, "tx,houston,hgx");
  GuiDriver::Click(add);
  EXPECT_EQ(gui.AnswerMessageBox(IDYES), "Add tx,houston,hgx/N0R, Base Reflectivity to download list?");
  EXPECT_EQ(gui.AnswerMessageBox(IDOK), "Record already in list, aborting....");
  EXPECT_EQ(gui.ListViewRows(grid, kColumns).size(), 1u);

  // The grid's menu toggles the record (a context menu over its row).
  RECT item{};
  GetWindowRect(grid, &item);
  const LPARAM overRow = MAKELPARAM(item.left + 30, item.top + 30);
  PostMessageA(main, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(grid), overRow);
  ASSERT_TRUE(gui.UseOpenMenu({VK_DOWN, VK_RETURN}));
  EXPECT_TRUE(GuiDriver::WaitFor([&] { return gui.ListViewRows(grid, kColumns).at(0).at(6) == "Yes"; }));
  PostMessageA(main, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(grid), overRow);
  ASSERT_TRUE(gui.UseOpenMenu({VK_DOWN, VK_DOWN, VK_RETURN}));
  EXPECT_TRUE(GuiDriver::WaitFor([&] { return gui.ListViewRows(grid, kColumns).at(0).at(7) == "No"; }));

  // The mode switch.
  GuiDriver::Click(GuiDriver::Child(main, "Client"));
  EXPECT_TRUE(GuiDriver::WaitFor([&] { return GuiDriver::Text(main) == "Ombrix 2.2.1 Client mode"; }));
  EXPECT_NE(GuiDriver::Child(main, "Process"), nullptr);
  GuiDriver::Click(GuiDriver::Child(main, "Server"));
  EXPECT_TRUE(GuiDriver::WaitFor([&] { return GuiDriver::Text(main) == "Ombrix 2.2.1 Server mode"; }));

  // Minimised it lives in the tray only; a double click on the icon brings it back.
  PostMessageA(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(GuiDriver::WaitFor([&] { return !IsWindowVisible(main); }));
  PostMessageA(main, kTrayMessage, 1, WM_LBUTTONDBLCLK);
  EXPECT_TRUE(GuiDriver::WaitFor([&] { return IsWindowVisible(main) && !IsIconic(main); }));

  // Exit from the tray menu ends the program through its close steps.
  PostMessageA(main, kTrayMessage, 1, WM_RBUTTONDOWN);
  ASSERT_TRUE(gui.UseOpenMenu({}, 'x'));
  DWORD code = 99;
  ASSERT_TRUE(program->WaitForExit(30000, code));
  EXPECT_EQ(code, 0u);
  EXPECT_NE(ReadFile(dir / "DownLoadList.Txt").find("TX,Houston,HGX"), std::string::npos);
  EXPECT_NE(Calls().find("Unadvise"), std::string::npos) << "the link let go at the end";
}

}  // namespace
}  // namespace ombrix
