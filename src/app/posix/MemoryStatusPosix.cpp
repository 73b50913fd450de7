// Memory figures from /proc: physical memory from MemTotal and MemAvailable,
// the "page file" as Windows counts it (commit space: RAM plus swap), and the
// process's address space from VmSize against the user-space limit.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "app/MemoryStatus.h"

namespace ombrix {
namespace {

// Values of "Key:   1234 kB" lines, in bytes.
std::uint64_t ReadKb(const char* file, const char* key) {
  std::ifstream in(file);
  std::string line;
  size_t keyLen = std::strlen(key);
  while (std::getline(in, line)) {
    if (line.compare(0, keyLen, key) == 0 && line.size() > keyLen && line[keyLen] == ':') {
      unsigned long long kb = 0;
      if (std::sscanf(line.c_str() + keyLen + 1, "%llu", &kb) == 1) return kb * 1024;
    }
  }
  return 0;
}

class ProcMemoryStatus : public MemoryStatus {
 public:
  MemoryStatusReading Read() override {
    MemoryStatusReading r;
    r.totalPhys = ReadKb("/proc/meminfo", "MemTotal");
    r.availPhys = ReadKb("/proc/meminfo", "MemAvailable");
    if (r.availPhys == 0) r.availPhys = ReadKb("/proc/meminfo", "MemFree");
    std::uint64_t swapTotal = ReadKb("/proc/meminfo", "SwapTotal");
    std::uint64_t swapFree = ReadKb("/proc/meminfo", "SwapFree");
    r.totalPageFile = r.totalPhys + swapTotal;
    r.availPageFile = r.availPhys + swapFree;
    r.totalVirtual = sizeof(void*) == 8 ? (std::uint64_t{1} << 47) : (std::uint64_t{3} << 30);
    std::uint64_t used = ReadKb("/proc/self/status", "VmSize");
    r.availVirtual = used < r.totalVirtual ? r.totalVirtual - used : 0;
    if (r.totalPhys > 0 && r.availPhys <= r.totalPhys)
      r.memoryLoad = static_cast<unsigned>(((r.totalPhys - r.availPhys) * 100 + r.totalPhys / 2) / r.totalPhys);
    return r;
  }
};

}  // namespace

MemoryStatus& SystemMemoryStatus() {
  static ProcMemoryStatus status;
  return status;
}

}  // namespace ombrix
