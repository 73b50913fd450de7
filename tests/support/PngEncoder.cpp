#include "support/PngEncoder.h"

#include <zlib.h>

namespace ombrix::test {

namespace {

void PutBe32(std::string& out, uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) out += static_cast<char>(v >> s);
}

}  // namespace

std::string PngChunk(const char* type, const std::string& body) {
  std::string out;
  PutBe32(out, static_cast<uint32_t>(body.size()));
  std::string typed = std::string(type, 4) + body;
  out += typed;
  PutBe32(out, static_cast<uint32_t>(
                   crc32(0, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size()))));
  return out;
}

std::string EncodePng(const PngRecipe& r) {
  std::string out("\x89PNG\r\n\x1a\n", 8);
  std::string ihdr;
  PutBe32(ihdr, r.width);
  PutBe32(ihdr, r.height);
  ihdr += static_cast<char>(r.bitDepth);
  ihdr += static_cast<char>(r.colourType);
  ihdr += std::string(3, '\0');
  out += PngChunk("IHDR", ihdr);
  if (!r.palette.empty()) {
    std::string plte;
    for (const Rgb& c : r.palette) plte += {static_cast<char>(c.r), static_cast<char>(c.g), static_cast<char>(c.b)};
    out += PngChunk("PLTE", plte);
  }
  if (!r.trns.empty()) out += PngChunk("tRNS", r.trns);
  out += r.extraChunks;
  const size_t rowBytes = r.height ? r.rawRows.size() / r.height : 0;
  std::string filtered;
  filtered.reserve(r.rawRows.size() + r.height);
  for (uint32_t y = 0; y < r.height; ++y) {
    filtered += '\0';
    filtered.append(r.rawRows, y * rowBytes, rowBytes);
  }
  uLongf size = compressBound(static_cast<uLong>(filtered.size()));
  std::string z(size, '\0');
  compress2(reinterpret_cast<Bytef*>(z.data()), &size, reinterpret_cast<const Bytef*>(filtered.data()),
            static_cast<uLong>(filtered.size()), 6);
  z.resize(static_cast<size_t>(static_cast<double>(size) * r.keepImageData));
  // Image data in chunks of 64 KB, as encoders write it.
  for (size_t pos = 0; pos < z.size(); pos += 65536) out += PngChunk("IDAT", z.substr(pos, 65536));
  out += PngChunk("IEND", "");
  return out;
}

std::string PalettePng(uint32_t width, uint32_t height, const Palette& palette, const std::vector<uint8_t>& alpha,
                       const std::vector<uint8_t>& indices) {
  PngRecipe r;
  r.width = width;
  r.height = height;
  r.palette = palette;
  r.trns.assign(alpha.begin(), alpha.end());
  r.rawRows.assign(indices.begin(), indices.end());
  return EncodePng(r);
}

}  // namespace ombrix::test
