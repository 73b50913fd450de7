#include "support/win32/ProgramProcess.h"

namespace ombrix::test {

ProgramProcess::ProgramProcess(const std::string& exe) {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::string command = "\"" + exe + "\"";
  const std::string folder = exe.substr(0, exe.find_last_of('\\') + 1);
  if (CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi)) {
    process_.Reset(pi.hProcess);
    CloseHandle(pi.hThread);
    id_ = pi.dwProcessId;
  }
}

ProgramProcess::~ProgramProcess() {
  if (Running()) Kill();
}

bool ProgramProcess::WaitForExit(DWORD ms, DWORD& code) const {
  if (!Started() || WaitForSingleObject(process_.Get(), ms) != WAIT_OBJECT_0) return false;
  return GetExitCodeProcess(process_.Get(), &code) != FALSE;
}

void ProgramProcess::Kill() const {
  TerminateProcess(process_.Get(), 99);
  WaitForSingleObject(process_.Get(), 10000);
}

}  // namespace ombrix::test
