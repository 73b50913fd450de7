// The memory status seam: one reading of the machine's memory figures, as
// GlobalMemoryStatusEx gives them on Windows and /proc/meminfo on Linux.
// Counts are 64-bit so machines with more than 2 or 4 GiB report true values.
#pragma once
#include <cstdint>

namespace ombrix {

struct MemoryStatusReading {
  unsigned memoryLoad = 0;  // percent of physical memory in use
  std::uint64_t totalPhys = 0, availPhys = 0;
  std::uint64_t totalPageFile = 0, availPageFile = 0;
  std::uint64_t totalVirtual = 0, availVirtual = 0;
};

class MemoryStatus {
 public:
  virtual ~MemoryStatus() = default;
  virtual MemoryStatusReading Read() = 0;
};

// The platform's reading.
MemoryStatus& SystemMemoryStatus();
// The source in force: the system's unless one was installed (tests, or the
// TMain platform seam).
MemoryStatus& TheMemoryStatus();
// Installs a source; nullptr puts the system's back.
void SetMemoryStatus(MemoryStatus* source);

class ScopedMemoryStatus {
 public:
  explicit ScopedMemoryStatus(MemoryStatus& source);
  ~ScopedMemoryStatus();
  ScopedMemoryStatus(const ScopedMemoryStatus&) = delete;
  ScopedMemoryStatus& operator=(const ScopedMemoryStatus&) = delete;

 private:
  MemoryStatus* saved_;
};

// A fixed reading for tests.
class FakeMemoryStatus : public MemoryStatus {
 public:
  MemoryStatusReading reading;
  int reads = 0;
  MemoryStatusReading Read() override {
    ++reads;
    return reading;
  }
};

}  // namespace ombrix
