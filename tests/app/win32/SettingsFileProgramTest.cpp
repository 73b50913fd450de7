// End to end under Wine: the settings file the real Ombrix.exe leaves behind.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TempDir.h"
#include "support/win32/HostFixture.h"

#ifndef OMBRIX_EXE_PATH
#error "the build gives the path of Ombrix.exe"
#endif

namespace ombrix::test {
namespace {

std::string WinPath(std::string path) {
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

// Starts the program in its own folder, closes its main window the way the
// user does, and reports the exit code; a program still running at the end
// is killed so it never holds the single-instance mutex for the next test.
class OmbrixRun {
 public:
  explicit OmbrixRun(const std::string& exe) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    std::string command = "\"" + exe + "\"";
    std::string folder = exe.substr(0, exe.find_last_of('\\') + 1);
    started_ = CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si,
                              &pi_) != FALSE;
  }
  ~OmbrixRun() {
    if (!started_) return;
    if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) {
      TerminateProcess(pi_.hProcess, 99);
      WaitForSingleObject(pi_.hProcess, 10000);
    }
    CloseHandle(pi_.hThread);
    CloseHandle(pi_.hProcess);
  }
  bool Started() const { return started_; }

  // The program's visible TMain window, waiting up to a minute (a cold Wine
  // prefix is slow on its first start).
  HWND MainWindow() const {
    for (int i = 0; i < 600 && WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT; ++i) {
      for (HWND w = FindWindowA("TMain", nullptr); w; w = FindWindowExA(nullptr, w, "TMain", nullptr)) {
        DWORD process = 0;
        GetWindowThreadProcessId(w, &process);
        if (process == pi_.dwProcessId && IsWindowVisible(w)) return w;
      }
      Sleep(100);
    }
    return nullptr;
  }
  bool CloseAndWait(DWORD& exitCode) const {
    HWND w = MainWindow();
    if (!w) return false;
    PostMessageA(w, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi_.hProcess, 30000) != WAIT_OBJECT_0) return false;
    return GetExitCodeProcess(pi_.hProcess, &exitCode) != FALSE;
  }

 private:
  PROCESS_INFORMATION pi_{};
  bool started_ = false;
};

class SettingsFileProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(FindWindowA("TMain", nullptr), nullptr) << "an Ombrix already runs in this Wine prefix";
    exe_ = WinPath(dir_.Path()) + "Ombrix.exe";
    ASSERT_TRUE(CopyFileA(WinPath(OMBRIX_EXE_PATH).c_str(), exe_.c_str(), FALSE)) << OMBRIX_EXE_PATH;
    SimulatedHost host;  // UI-View32 installed, so the first display goes on
    host.uiViewFolder = WinPath(dir_.Path()) + "UI-View32\\";
    SetUpSimulatedHost(host);
  }
  void TearDown() override {
    SetFileAttributesA(Ini().c_str(), FILE_ATTRIBUTE_NORMAL);
    ClearSimulatedHost();
  }
  std::string Ini() const { return WinPath(dir_.Path()) + "Ombrix2.ini"; }
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
    HANDLE h = FindFirstFileA((WinPath(dir_.Path()) + "R*ErrorLog.txt").c_str(), &fd);
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
