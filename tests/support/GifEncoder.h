// A small GIF encoder for tests and benchmarks: makes files with the
// features the decoder must handle (local tables, interlacing, any colour
// count, table growth with or without clear codes, frames off the screen's
// origin).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace ombrix::test {

struct GifFrameRecipe {
  int left = 0, top = 0, width = 0, height = 0;
  std::vector<uint8_t> pixels;   // width x height indices, rows top to bottom
  std::vector<uint8_t> localTable;  // R G B triples; empty = use the global one
  bool interlaced = false;
  int transparentIndex = -1;     // writes a Graphic Control Extension
};

struct GifRecipe {
  int width = 0, height = 0;      // logical screen
  std::vector<uint8_t> globalTable;  // R G B triples; empty = none
  uint8_t background = 0;
  std::vector<GifFrameRecipe> frames;
  int minCodeSize = 0;            // 0 = from the table size
  bool clearWhenFull = true;      // false: keep coding with a full table
  bool version87a = false;
  bool trailer = true;
};

std::string EncodeGif(const GifRecipe& recipe);

// Table of n colours where entry i is (i, 255 - i, i * 7 mod 256).
std::vector<uint8_t> RampTable(int n);

}  // namespace ombrix::test
