// A small PNG encoder for tests and benchmarks: palette images with or
// without tRNS, any colour type given its raw rows, and hand-made chunks
// for damaged files.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/ImageTypes.h"

namespace ombrix::test {

// One chunk: length, type, body and its CRC.
std::string PngChunk(const char* type, const std::string& body);

struct PngRecipe {
  uint32_t width = 0, height = 0;
  uint8_t bitDepth = 8, colourType = 3;
  Palette palette;             // PLTE when not empty
  std::string trns;            // tRNS body when not empty
  std::string rawRows;         // height rows of packed samples, no filter bytes
  std::string extraChunks;     // placed before the image data
  double keepImageData = 1.0;  // below 1: the compressed stream is cut short
};

std::string EncodePng(const PngRecipe& recipe);

// An 8-bit palette image from its indices, rows top to bottom.
std::string PalettePng(uint32_t width, uint32_t height, const Palette& palette, const std::vector<uint8_t>& alpha,
                       const std::vector<uint8_t>& indices);

}  // namespace ombrix::test
