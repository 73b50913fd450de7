#include "app/MemoryStatus.h"

namespace ombrix {

static MemoryStatus*& Slot() {
  static MemoryStatus* source = nullptr;
  return source;
}

MemoryStatus& TheMemoryStatus() { return Slot() ? *Slot() : SystemMemoryStatus(); }

void SetMemoryStatus(MemoryStatus* source) { Slot() = source; }

ScopedMemoryStatus::ScopedMemoryStatus(MemoryStatus& source) : saved_(Slot()) { Slot() = &source; }

ScopedMemoryStatus::~ScopedMemoryStatus() { Slot() = saved_; }

}  // namespace ombrix
