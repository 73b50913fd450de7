// PNG decoding (every colour type and bit depth, Adam7, tRNS), streamed one
// scanline at a time so that drawing a large composite onto an 8-bit bitmap
// never holds the full-colour image.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "imaging/Bitmap8.h"
#include "imaging/ImageTypes.h"
#include "imaging/RgbaImage.h"

namespace ombrix {

enum class PngTransparency { None, SingleColour, Partial };

struct PngInfo {
  uint32_t width = 0, height = 0;
  uint8_t bitDepth = 0, colourType = 0;
  bool interlaced = false;
  Palette palette;                   // PLTE
  std::vector<uint8_t> paletteAlpha;  // one per palette entry (255 without tRNS)
  bool hasKey = false;                // tRNS for grey or RGB: one transparent value
  uint16_t keyRed = 0, keyGreen = 0, keyBlue = 0;  // grey uses keyRed
  PngTransparency transparency = PngTransparency::None;
  std::vector<std::span<const uint8_t>> idat;  // the compressed data, in order
};

// Checks the file's structure (signature, chunk lengths and CRCs, header,
// chunk order, palette and tRNS rules) and collects what decoding needs.
// The spans point into `data`, which must outlive the result.
Decoded<PngInfo> ParsePng(std::span<const uint8_t> data);

const char* ColourTypeName(uint8_t colourType);

// Called for every decoded scanline: the pixels at x0, x0 + dx, ... (count
// of them) of row y, as 8-bit RGBA.
using PngRgbaRowSink = std::function<void(uint32_t y, uint32_t x0, uint32_t dx, uint32_t count, const uint8_t* rgba)>;
// Decodes the image data; empty string on success, else the reason.
std::string DecodePngRows(const PngInfo& info, const PngRgbaRowSink& sink);

// The whole image as RGBA (tests, tools; the conversions stream instead).
Decoded<RgbaImage> DecodePngRgba(std::span<const uint8_t> data);

// Draws the image at (x, y) onto an 8-bit bitmap: opaque pixels copied,
// fully transparent ones skipped, partly transparent ones blended with what
// the bitmap holds; every colour mapped to the nearest palette entry, then
// through `finish` when given (index in, index written). Raises ImageError
// on corrupt data.
void DrawPng(const PngInfo& info, TBitmap8& target, int x, int y,
             const std::array<uint8_t, 256>* finish = nullptr);

}  // namespace ombrix
