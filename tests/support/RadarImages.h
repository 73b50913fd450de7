// Radar-like input files for the conversion tests and the tool's black-box
// test: a RIDGE GIF with its legend, a mesonet composite PNG, and the world
// file of a real site.
#pragma once
#include <cstdint>
#include <string>

#include "imaging/ImageTypes.h"

namespace ombrix::test {

// GIF colour table: 0 black, 1 white, then colours.
Palette RadarPalette();
// The GIF's index at (x, y): never black or white.
uint8_t RadarIndex(int x, int y);
// A width x height GIF of RadarIndex pixels, or all `fill` when not 0.
std::string RadarGif(int width, int height, uint8_t fill = 0);

// Composite entries: black, transparent, half-transparent red, green, grey.
extern const Palette kCompositePalette;
extern const std::string kCompositeAlpha;
// The composite's entry at (x, y): noise in the top 100 rows, stripes of
// 100 columns below.
uint8_t CompositeIndex(uint32_t x, uint32_t y);
// keepImageData below 1 cuts the compressed data short.
std::string CompositePng(uint32_t width, uint32_t height, double keepImageData = 1.0);

// Six lines of LOT's world file: pixel 0.011785 by -0.00997, upper-left
// pixel centre at (-92.5816, 44.405).
std::string WorldFile();
// The bounds text a 600 x 550 image with that world file has.
constexpr const char* kLotWorldText = "-92.5874862670898,44.409984588623,-85.516487121582,38.9264831542969";

}  // namespace ombrix::test
