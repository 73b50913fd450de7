#include "support/RadarImages.h"

#include "support/GifEncoder.h"
#include "support/PngEncoder.h"

namespace ombrix::test {

namespace {

std::vector<uint8_t> RadarTable() {
  std::vector<uint8_t> t = RampTable(16);
  for (int c = 0; c < 3; ++c) {
    t[c] = 0;
    t[3 + c] = 255;
  }
  return t;
}

}  // namespace

Palette RadarPalette() {
  std::vector<uint8_t> t = RadarTable();
  Palette p;
  for (size_t i = 0; i + 2 < t.size(); i += 3) p.push_back(Rgb{t[i], t[i + 1], t[i + 2]});
  return p;
}

uint8_t RadarIndex(int x, int y) { return static_cast<uint8_t>(2 + (x / 10 + y / 7) % 12); }

std::string RadarGif(int width, int height, uint8_t fill) {
  GifRecipe r;
  r.width = width;
  r.height = height;
  r.globalTable = RadarTable();
  GifFrameRecipe f;
  f.width = width;
  f.height = height;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) f.pixels.push_back(fill ? fill : RadarIndex(x, y));
  r.frames.push_back(f);
  return EncodeGif(r);
}

const Palette kCompositePalette = {{0, 0, 0}, {9, 9, 9}, {255, 0, 0}, {10, 200, 30}, {128, 128, 128}};
const std::string kCompositeAlpha("\xff\x00\x80\xff\xff", 5);

uint8_t CompositeIndex(uint32_t x, uint32_t y) {
  return static_cast<uint8_t>(y < 100 ? (((x * 2654435761u) ^ (y * 40503u)) >> 13) % 5 : x / 100 % 5);
}

std::string CompositePng(uint32_t width, uint32_t height, double keepImageData) {
  PngRecipe r;
  r.width = width;
  r.height = height;
  r.palette = kCompositePalette;
  r.trns = kCompositeAlpha;
  r.rawRows.resize(static_cast<size_t>(width) * height);
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x) r.rawRows[static_cast<size_t>(y) * width + x] = static_cast<char>(CompositeIndex(x, y));
  r.keepImageData = keepImageData;
  return EncodePng(r);
}

std::string WorldFile() { return "0.011785\n0\n0\n-0.00997\n-92.5816\n44.405\n"; }

}  // namespace ombrix::test
