// GlobalMemoryStatusEx rather than GlobalMemoryStatus: the older call caps or
// wraps its 32-bit counts on machines with more than 2 GiB.
#include <windows.h>

#include "app/MemoryStatus.h"

namespace ombrix {
namespace {

class Win32MemoryStatus : public MemoryStatus {
 public:
  MemoryStatusReading Read() override {
    MemoryStatusReading r;
    MEMORYSTATUSEX ms;
    ms.dwLength = sizeof ms;
    if (!GlobalMemoryStatusEx(&ms)) return r;
    r.memoryLoad = ms.dwMemoryLoad;
    r.totalPhys = ms.ullTotalPhys;
    r.availPhys = ms.ullAvailPhys;
    r.totalPageFile = ms.ullTotalPageFile;
    r.availPageFile = ms.ullAvailPageFile;
    r.totalVirtual = ms.ullTotalVirtual;
    r.availVirtual = ms.ullAvailVirtual;
    return r;
  }
};

}  // namespace

MemoryStatus& SystemMemoryStatus() {
  static Win32MemoryStatus status;
  return status;
}

}  // namespace ombrix
