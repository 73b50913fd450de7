// Helpers shared by the fuzz targets of the readers that take a path: the
// input written to a file of this process's own in the temporary folder,
// removed when the fuzzer ends.
#pragma once
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace ombrix::fuzz {

inline std::string InputFile(const uint8_t* data, size_t size, const char* name) {
  static std::string folder = [] {
    char pattern[] = "/tmp/ombrix-fuzz-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (!made) std::abort();
    static std::string path = made;
    std::atexit([] { std::system(("rm -rf '" + path + "'").c_str()); });
    return path + "/";
  }();
  std::string path = folder + name;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
  std::fclose(f);
  return path;
}

// Stops the run with a finding when a property of the reader does not hold.
inline void Check(bool holds) {
  if (!holds) __builtin_trap();
}

}  // namespace ombrix::fuzz
