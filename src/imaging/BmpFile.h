// The Windows BMP files the program writes (8 bits per pixel, 256-entry
// colour table, bottom-up rows padded to 4 bytes) and the plain bitmaps the
// picture container can read.
#pragma once
#include <cstdint>
#include <span>
#include <string>

#include "imaging/Bitmap8.h"
#include "imaging/RgbaImage.h"

namespace ombrix {

// The exact file: 14 + 40 + 1024 + rowSize x height bytes.
uint64_t BmpFileSize(int width, int height);
// Writes beside the target and renames into place, so a reader never sees a
// half-written underlay. Raises ImageError on failure.
void WriteBmpFile(const std::string& path, const TBitmap8& bitmap);

// A plain bitmap: uncompressed 1, 4, 8 (palette) or 24, 32 bits per pixel.
// Palette images come back as an 8-bit bitmap, others as RGBA.
struct DecodedBmp {
  TBitmap8 indexed;  // used when isIndexed
  RgbaImage rgba;
  bool isIndexed = false;
};
Decoded<DecodedBmp> DecodeBmp(std::span<const uint8_t> data);

}  // namespace ombrix
