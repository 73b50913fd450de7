// A program the test starts in its own folder (the exe's), killed at the
// end if it still runs, so a failing test never leaves one behind holding
// the single-instance mutex or a Wine prefix's pipes.
#pragma once
#include <windows.h>

#include <string>

#include "util/win32/UniqueHandle.h"

namespace ombrix::test {

class ProgramProcess {
 public:
  explicit ProgramProcess(const std::string& exe);
  ~ProgramProcess();
  ProgramProcess(const ProgramProcess&) = delete;
  ProgramProcess& operator=(const ProgramProcess&) = delete;

  bool Started() const { return static_cast<bool>(process_); }
  DWORD Id() const { return id_; }
  bool Running() const { return Started() && WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT; }
  // True when the process ended within ms; its exit code in code.
  bool WaitForExit(DWORD ms, DWORD& code) const;
  bool WaitForExit(DWORD ms) const {
    DWORD code = 0;
    return WaitForExit(ms, code);
  }
  void Kill() const;

 private:
  UniqueKernelHandle process_;
  DWORD id_ = 0;
};

}  // namespace ombrix::test
