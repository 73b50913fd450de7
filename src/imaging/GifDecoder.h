// GIF87a / GIF89a decoding: the logical screen, the global colour table and
// the first frame's indices. Later frames are walked past and counted.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "imaging/Bitmap8.h"
#include "imaging/ImageTypes.h"

namespace ombrix {

struct GifFrame {
  int left = 0, top = 0, width = 0, height = 0;
  bool interlaced = false;
  bool hasLocalTable = false;
  Palette localTable;
  int transparentIndex = -1;    // from its Graphic Control Extension; never applied
  std::vector<uint8_t> pixels;  // width x height colour indices, rows top to bottom
};

struct GifImage {
  int width = 0, height = 0;  // logical screen
  bool hasGlobalTable = false;
  Palette globalTable;
  uint8_t backgroundIndex = 0;
  GifFrame first;
  int frameCount = 0;
};

Decoded<GifImage> DecodeGif(std::span<const uint8_t> data);

// The first frame as an 8-bit bitmap of the logical-screen size: palette the
// frame's active table, pixel values the frame's indices unchanged. A frame
// smaller than the screen lies opaquely at its position over the screen's
// background index, with the global table as palette. Raises
// "Failed to allocate memory for GIF DIB" when the pixels cannot be had.
TBitmap8 RenderGifFrame(const GifImage& gif);

}  // namespace ombrix
