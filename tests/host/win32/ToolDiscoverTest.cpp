// `ombrix-tool discover` in a prefix set up by the host fixture prints what
// the program would find.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "support/TempDir.h"
#include "support/win32/HostFixture.h"
#include "support/win32/WinePath.h"

#ifndef OMBRIX_TOOL_PATH
#error "the build gives the path of ombrix-tool.exe"
#endif

namespace {

using ::ombrix::test::WindowsPath;

// Runs the tool with its output into a file; returns the exit code.
DWORD RunTool(const std::string& args, const std::string& outPath) {
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE out = CreateFileA(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr);
  if (out == INVALID_HANDLE_VALUE) return 9999;
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = out;
  si.hStdError = out;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION pi{};
  std::string exe = WindowsPath(OMBRIX_TOOL_PATH);
  std::string command = "\"" + exe + "\" " + args;
  DWORD code = 9998;
  if (CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
    if (WaitForSingleObject(pi.hProcess, 60000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 9997);
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
  }
  CloseHandle(out);
  return code;
}

TEST(ToolDiscover, PrintsUnderlayFolderNameAndMap) {
  ombrix::test::TempDir dir;
  std::string folder = WindowsPath(dir.Path());
  ombrix::test::SimulatedHost host;
  host.uiViewFolder = folder + "UI-View32\\";
  host.lastMap = "C:\\UI-View32\\MAPS\\!!PMapServer7.map";
  ombrix::test::SimulatedPMap pmap;
  pmap.folder = folder + "PMapServer7\\";
  pmap.underlay = pmap.folder + "PMap Underlays\\radar.bmp";
  host.pmaps = {pmap};
  ombrix::test::SetUpSimulatedHost(host);
  DWORD found = RunTool("discover", folder + "found.txt");
  ombrix::test::ClearSimulatedHost();
  DWORD missing = RunTool("discover", folder + "missing.txt");

  EXPECT_EQ(found, 0u);
  std::string text = ombrix::test::ReadFile(dir / "found.txt");
  EXPECT_NE(text.find("PMapUnderlayPath  " + pmap.folder + "PMap Underlays\\"), std::string::npos) << text;
  EXPECT_NE(text.find("UnderlayName      radar.bmp"), std::string::npos) << text;
  EXPECT_NE(text.find("MapName           PMapServer7"), std::string::npos) << text;
  EXPECT_NE(text.find("UvULbl            UiView Map = PMapServer7, underlay = radar"), std::string::npos) << text;
  EXPECT_EQ(missing, 1u);
  EXPECT_NE(ombrix::test::ReadFile(dir / "missing.txt").find("Unable to determine current UiView Map"),
            std::string::npos);
}

}  // namespace
