// End to end under Wine: the settings file the real Ombrix.exe leaves behind.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TempDir.h"
#include "support/win32/HostFixture.h"
#include "support/win32/ProgramProcess.h"
#include "support/win32/WinePath.h"

#ifndef OMBRIX_EXE_PATH
#error "the build gives the path of Ombrix.exe"
#endif

namespace ombrix::test {
namespace {

// Starts the program in its own folder, closes its main window the way the
// user does, and reports the exit code; a program still running at the end
// is killed so it never holds the single-instance mutex for the next test.
class OmbrixRun {
 public:
  explicit OmbrixRun(const std::string& exe) : program_(exe) {}
  bool Started() const { return program_.Started(); }

  // The program's visible TMain window, waiting up to a minute (a cold Wine
  // prefix is slow on its first start).
  HWND MainWindow() const {
    for (int i = 0; i < 600 && program_.Running(); ++i) {
      for (HWND w = FindWindowA("TMain", nullptr); w; w = FindWindowExA(nullptr, w, "TMain", nullptr)) {
        DWORD process = 0;
        GetWindowThreadProcessId(w, &process);
        if (process == program_.Id() && IsWindowVisible(w)) return w;
      }
      Sleep(100);
    }
    return nullptr;
  }
  bool CloseAndWait(DWORD& exitCode) const {
    HWND w = MainWindow();
    if (!w) return false;
    PostMessageA(w, WM_CLOSE, 0, 0);
    return program_.WaitForExit(30000, exitCode);
  }

 private:
  ProgramProcess program_;
};

class SettingsFileProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(FindWindowA("TMain", nullptr), nullptr) << "an Ombrix already runs in this Wine prefix";
    exe_ = WindowsPath(dir_.Path()) + "Ombrix.exe";
    ASSERT_TRUE(CopyFileA(WindowsPath(OMBRIX_EXE_PATH).c_str(), exe_.c_str(), FALSE)) << OMBRIX_EXE_PATH;
    SimulatedHost host;  // UI-View32 installed, so the first display goes on
    host.uiViewFolder = WindowsPath(dir_.Path()) + "UI-View32\\";
    SetUpSimulatedHost(host);
  }
  void TearDown() override {
    SetFileAttributesA(Ini().c_str(), FILE_ATTRIBUTE_NORMAL);
    ClearSimulatedHost();
  }
  std::string Ini() const { return WindowsPath(dir_.Path()) + "Ombrix2.ini"; }
  std::string IniText() const { return ReadFile(dir_ / "Ombrix2.ini"); }
  void RunAndClose() {
    OmbrixRun run(exe_);
    ASSERT_TRUE(run.Started());
    DWORD code = 1234;
    ASSERT_TRUE(run.CloseAndWait(code)) << "the program did not show its window or did not end";
    EXPECT_EQ(code, 0u);
  }
  std::string LogText() {
    std::string all;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((WindowsPath(dir_.Path()) + "R*ErrorLog.txt").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return all;
    do all += ReadFile(dir_ / fd.cFileName);
    while (FindNextFileA(h, &fd));
    FindClose(h);
    return all;
  }

  TempDir dir_;
  std::string exe_;
};

TEST_F(SettingsFileProgramTest, AFirstRunLeavesAll31KeysAndAReadOnlyFileStillLetsItEnd) {
  RunAndClose();
  const std::string text = IniText();
  const std::vector<std::string> keys = {
      "[URL]",        "IOWAState1=", "ConUs=",          "ConUSWld=",         "TAMU=",          "USRad=",
      "USRadWld=",    "RIDGE=",      "RIDGENAT=",       "ProxyHost=",        "ProxyPort=",     "[User]",
      "Version=",     "Redraw=",     "Minimize=",       "LogErrors=",        "UiViewShutDown=", "HintPauseMS=",
      "Accumulate=",  "Mode=",       "Target=",         "Radar=",            "Product=",       "PMapServerPath=",
      "PMapUnderlayPath=", "WebTimeOut=", "Width=",     "Height=",           "top=",           "Left=",
      "Remaining=",   "Legend=",     "Caption="};
  size_t at = 0, lines = 0;
  for (const std::string& key : keys) {
    size_t found = text.find(key, at);
    ASSERT_NE(found, std::string::npos) << key << " in order, in\n" << text;
    ASSERT_TRUE(found == 0 || text.compare(found - 2, 2, "\r\n") == 0) << key << " starts a line";
    at = found + key.size();
    ++lines;
  }
  EXPECT_EQ(lines, 33u);  // 31 keys and 2 section heads
  EXPECT_NE(text.find("\r\nVersion=Ombrix 2.2.1\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\nRadar=IL,Chicago,LOT\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\nRIDGE=http://radar.weather.gov/ridge/RadarImg/\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\nWebTimeOut=7\r\n"), std::string::npos);

  // Logging on, then the file made read-only: the save at close fails, the
  // steps after it (the shutdown line) are skipped, and the program ends.
  ASSERT_TRUE(WritePrivateProfileStringA("User", "LogErrors", "1", Ini().c_str()));
  const std::string before = IniText();
  ASSERT_TRUE(SetFileAttributesA(Ini().c_str(), FILE_ATTRIBUTE_READONLY));
  RunAndClose();
  EXPECT_EQ(IniText(), before);
  const std::string log = LogText();
  // The start line was the day's first and gave way to the header.
  EXPECT_NE(log.find("Ombrix 2.2.1 server mode.  PMapUnderlayPath = "), std::string::npos) << log;
  EXPECT_EQ(log.find("Shut down"), std::string::npos) << log;

  // Writable again: the close saves and logs the shutdown line.
  SetFileAttributesA(Ini().c_str(), FILE_ATTRIBUTE_NORMAL);
  RunAndClose();
  const std::string after = LogText();
  EXPECT_NE(after.find("Ombrix 2.2.1 initialized in server mode.Mem load="), std::string::npos) << after;
  EXPECT_NE(after.find("\r\nOmbrix 2.2.1 Shut down while in server mode. Mem load="), std::string::npos) << after;
}

}  // namespace
}  // namespace ombrix::test
