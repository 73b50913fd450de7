// Helpers of bench/imaging.sh: makes the radar-like composite PNG and the
// halftone palette image, measures the floor (inflating the same IDAT data
// and writing as many bytes as the BMP), and times the RIDGE GIF conversion.
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "imaging/BmpFile.h"
#include "imaging/Palette.h"
#include "imaging/PngDecoder.h"
#include "imaging/UnderlayConverter.h"
#include "imaging/WorkObjects.h"
#include "support/GifEncoder.h"
#include "support/PngEncoder.h"
#include "util/FileUtil.h"

using namespace ombrix;

namespace {

int MakePng(const char* path, uint32_t w, uint32_t h) {
  // NWS reflectivity colours; entry 0 transparent, the two weakest echoes
  // half transparent, like the mesonet composites.
  std::vector<Rgb> pal = {{0, 0, 0},       {4, 233, 231},  {1, 159, 244},  {3, 0, 244},    {2, 253, 2},
                          {1, 197, 1},     {0, 142, 0},    {253, 248, 2},  {229, 188, 0},  {253, 149, 0},
                          {253, 0, 0},     {212, 0, 0},    {188, 0, 0},    {248, 0, 253},  {152, 84, 198},
                          {253, 253, 253}, {40, 40, 40}};
  std::vector<uint8_t> alpha(pal.size(), 255);
  alpha[0] = 0;
  alpha[1] = alpha[2] = 128;
  // Smooth random field: a coarse grid, bilinear, plus texture.
  const int gx = 80, gy = 36;
  std::mt19937 rng(2026);
  std::vector<float> grid((gx + 1) * (gy + 1));
  for (float& g : grid) g = std::uniform_real_distribution<float>(0, 1)(rng);
  std::vector<uint8_t> px(static_cast<size_t>(w) * h);
  for (uint32_t y = 0; y < h; ++y) {
    float fy = static_cast<float>(y) * gy / h;
    int iy = static_cast<int>(fy);
    float ty = fy - iy;
    for (uint32_t x = 0; x < w; ++x) {
      float fx = static_cast<float>(x) * gx / w;
      int ix = static_cast<int>(fx);
      float tx = fx - ix;
      auto at = [&](int a, int b) { return grid[b * (gx + 1) + a]; };
      float v = (at(ix, iy) * (1 - tx) + at(ix + 1, iy) * tx) * (1 - ty) +
                (at(ix, iy + 1) * (1 - tx) + at(ix + 1, iy + 1) * tx) * ty;
      v += ((x * 7 + y * 13) % 17) / 170.0f;  // texture inside echoes
      uint8_t idx = 0;
      if (v > 0.62f) idx = static_cast<uint8_t>(1 + std::min(13.0f, (v - 0.62f) / 0.45f * 14));
      if (x % 600 == 0 || y % 400 == 0) idx = 16;  // grid lines
      px[static_cast<size_t>(y) * w + x] = idx;
    }
  }
  return WriteFileAtomic(path, test::PalettePng(w, h, pal, alpha, px)) ? 0 : 1;
}

int HalftonePng(const char* path) {
  std::vector<uint8_t> px(256);
  for (int i = 0; i < 256; ++i) px[i] = static_cast<uint8_t>(i);
  return WriteFileAtomic(path, test::PalettePng(256, 1, HalftonePalette(), {}, px)) ? 0 : 1;
}

// The least any decoder must do: inflate the IDAT data and write the bytes.
int Floor(const char* png, const char* out) {
  std::vector<uint8_t> data = ReadImageFile(png);
  PngInfo info = ParsePng(data).take();
  z_stream zs{};
  inflateInit(&zs);
  std::vector<uint8_t> row(info.width + 1);
  bool ended = false;
  for (auto chunk : info.idat) {
    zs.next_in = const_cast<Bytef*>(chunk.data());
    zs.avail_in = static_cast<uInt>(chunk.size());
    while (zs.avail_in > 0 && !ended) {
      zs.next_out = row.data();
      zs.avail_out = static_cast<uInt>(row.size());
      ended = inflate(&zs, Z_NO_FLUSH) == Z_STREAM_END;
    }
  }
  inflateEnd(&zs);
  uint64_t bytes = BmpFileSize(static_cast<int>(info.width), static_cast<int>(info.height));
  std::FILE* f = std::fopen(out, "wb");
  if (!f) return 1;
  std::vector<uint8_t> block(256 * 1024, 0x11);
  for (uint64_t done = 0; done < bytes;) {
    size_t n = static_cast<size_t>(std::min<uint64_t>(block.size(), bytes - done));
    std::fwrite(block.data(), 1, n, f);
    done += n;
  }
  std::fclose(f);
  return 0;
}

// CPU time of a RIDGE conversion: load the GIF, render it, two caption
// bands, save the 600 x 550 BMP and its bounds file.
int GifCpu(const char* folder, int rounds) {
  test::GifRecipe recipe;
  recipe.width = 600;
  recipe.height = 550;
  recipe.globalTable = test::RampTable(16);
  test::GifFrameRecipe f;
  f.width = 600;
  f.height = 550;
  std::mt19937 rng(5);
  for (int y = 0; y < 550; ++y)
    for (int x = 0; x < 600; ++x) {
      int d = std::abs(x - 300) + std::abs(y - 275);
      f.pixels.push_back(static_cast<uint8_t>(d < 200 && rng() % 5 ? (d / 15) % 15 + 1 : 0));
    }
  recipe.frames.push_back(f);
  const std::string dir = std::string(folder) + "/";
  if (!WriteFileAtomic(dir + "LOT_N0R_0.gif", test::EncodeGif(recipe)) ||
      !WriteFileAtomic(dir + "LOT_N0R_0.gfw", "0.011785\n0\n0\n-0.00997\n-92.5816\n44.405\n"))
    return 1;
  // The whole ConvertGifUnderlay, its underlay and bounds file written
  // into one local target folder beside the inputs.
  PlainConversionWindow window;
  window.appDir = window.pmap = dir;
  window.targets = {dir};
  window.redraw = false;
  TGifImage gif1, gif2;
  TPicture picture;
  TBitmap8 work = NewWorkBitmap(), text = NewTextBitmap();
  UnderlayConverter converter(window, {gif1, gif2, picture, work, text});
  TRadarObj record;
  record.InitFromSelection("IL,Chicago,LOT", "Short Range Reflectivity, N0R", ServerSettings::Defaults());
  record.LoadWorldFile(dir + "LOT_N0R_0.gfw");
  auto once = [&] {
    if (!converter.ConvertGifUnderlay(dir + record.BmpFile, record)) throw std::runtime_error(record.Status);
  };
  once();  // loading the font is a start-up cost, not a conversion's
  std::clock_t start = std::clock();
  for (int i = 0; i < rounds; ++i) once();
  double ms = 1000.0 * (std::clock() - start) / CLOCKS_PER_SEC / rounds;
  std::printf("%.3f\n", ms);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string cmd = argc > 1 ? argv[1] : "";
  try {
    if (cmd == "make-png" && argc == 5) return MakePng(argv[2], std::stoul(argv[3]), std::stoul(argv[4]));
    if (cmd == "halftone-png" && argc == 3) return HalftonePng(argv[2]);
    if (cmd == "floor" && argc == 4) return Floor(argv[2], argv[3]);
    if (cmd == "gif-cpu" && argc == 4) return GifCpu(argv[2], std::stoi(argv[3]));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  std::fprintf(stderr,
               "usage: imaging-bench make-png OUT W H | halftone-png OUT | floor PNG OUT | gif-cpu FOLDER ROUNDS\n");
  return 2;
}
