#include "app/win32/ProgramEntry.h"

#include <windows.h>

#include "util/win32/UniqueHandle.h"

namespace ombrix {

bool ClaimSingleInstance() {
  // Held until the process ends; the system closes it then.
  static UniqueKernelHandle mutex;
  mutex.Reset(CreateMutexA(nullptr, FALSE, kInstanceMutexName));
  if (mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
    UINT message = RegisterWindowMessageA(kInstanceMessageName);
    // Posted, not sent: a sent broadcast waits on every top-level window,
    // and one hung window anywhere on the desktop would keep this copy
    // from ever ending.
    if (message != 0) PostMessageA(HWND_BROADCAST, message, 0, 0);
    return false;
  }
  return true;
}

std::string ExecutableFolder() {
  char path[MAX_PATH * 2];
  DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string folder(path, n < sizeof path ? n : 0);
  size_t slash = folder.find_last_of("\\/");
  folder.erase(slash == std::string::npos ? 0 : slash + 1);
  return folder;
}

}  // namespace ombrix
