// A decoded image at 8 bits per channel, R G B A, rows top to bottom.
#pragma once
#include <cstdint>
#include <vector>

namespace ombrix {

struct RgbaImage {
  int width = 0, height = 0;
  std::vector<uint8_t> rgba;
};

}  // namespace ombrix
