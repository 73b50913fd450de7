#include "imaging/PngDecoder.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "imaging/ByteReader.h"

namespace ombrix {

namespace {

using InfoResult = Decoded<PngInfo>;

constexpr uint8_t kSignature[8] = {137, 'P', 'N', 'G', 13, 10, 26, 10};

uint32_t ChunkId(const char (&s)[5]) {
  return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) | (uint32_t(uint8_t(s[2])) << 8) |
         uint32_t(uint8_t(s[3]));
}

bool ValidDepth(uint8_t type, uint8_t depth) {
  switch (type) {
    case 0: return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case 3: return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case 2: case 4: case 6: return depth == 8 || depth == 16;
    default: return false;
  }
}

int Channels(uint8_t type) {
  switch (type) {
    case 0: case 3: return 1;
    case 4: return 2;
    case 2: return 3;
    default: return 4;
  }
}

// Adam7 pass geometry: start and step in x and y.
struct Pass {
  uint32_t x0, y0, dx, dy;
};
constexpr Pass kAdam7[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                            {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};

uint8_t Paeth(int a, int b, int c) {
  int p = a + b - c;
  int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return static_cast<uint8_t>(a);
  return static_cast<uint8_t>(pb <= pc ? b : c);
}

// Inflates the IDAT stream on demand, across chunk boundaries.
class IdatInflater {
 public:
  explicit IdatInflater(const PngInfo& info) : info_(info) {
    std::memset(&zs_, 0, sizeof zs_);
    ok_ = inflateInit(&zs_) == Z_OK;
  }
  ~IdatInflater() {
    if (ok_) inflateEnd(&zs_);
  }
  // Fills exactly n bytes; the error text, or empty.
  std::string Fill(uint8_t* out, size_t n) {
    if (!ok_) return "Cannot start inflating PNG data";
    zs_.next_out = out;
    zs_.avail_out = static_cast<uInt>(n);
    while (zs_.avail_out > 0) {
      if (zs_.avail_in == 0) {
        if (ended_ || next_ >= info_.idat.size()) return "PNG image data is incomplete";
        auto chunk = info_.idat[next_++];
        zs_.next_in = const_cast<Bytef*>(chunk.data());
        zs_.avail_in = static_cast<uInt>(chunk.size());
        continue;
      }
      int rc = inflate(&zs_, Z_NO_FLUSH);
      if (rc == Z_STREAM_END) {
        ended_ = true;
        if (zs_.avail_out > 0) return "PNG image data is incomplete";
        break;
      }
      if (rc == Z_MEM_ERROR) return "Out of memory inflating PNG data";
      if (rc != Z_OK && rc != Z_BUF_ERROR) return "PNG image data is corrupt";
      if (rc == Z_BUF_ERROR && zs_.avail_in > 0) return "PNG image data is corrupt";
    }
    return {};
  }

 private:
  const PngInfo& info_;
  z_stream zs_;
  bool ok_ = false;
  bool ended_ = false;
  size_t next_ = 0;
};

// Raw (unfiltered) scanlines of every pass, in stream order.
using RawSink = std::function<void(uint32_t y, uint32_t x0, uint32_t dx, uint32_t count, const uint8_t* raw)>;

std::string DecodeScanlines(const PngInfo& info, const RawSink& sink) {
  const uint32_t bitsPerPixel = uint32_t{info.bitDepth} * Channels(info.colourType);
  const uint32_t bpp = std::max<uint32_t>(1, bitsPerPixel / 8);
  IdatInflater inflater(info);
  std::vector<uint8_t> cur, prev;
  const int passes = info.interlaced ? 7 : 1;
  for (int p = 0; p < passes; ++p) {
    Pass g = info.interlaced ? kAdam7[p] : Pass{0, 0, 1, 1};
    if (g.x0 >= info.width || g.y0 >= info.height) continue;
    const uint32_t count = (info.width - g.x0 + g.dx - 1) / g.dx;
    const size_t rowBytes = (static_cast<uint64_t>(count) * bitsPerPixel + 7) / 8;
    try {
      cur.assign(rowBytes + 1, 0);
      prev.assign(rowBytes + 1, 0);
    } catch (const std::bad_alloc&) {
      return "Out of memory decoding PNG";
    }
    for (uint32_t y = g.y0; y < info.height; y += g.dy) {
      std::string err = inflater.Fill(cur.data(), rowBytes + 1);
      if (!err.empty()) return err;
      uint8_t filter = cur[0];
      uint8_t* row = cur.data() + 1;
      const uint8_t* up = prev.data() + 1;
      switch (filter) {
        case 0: break;
        case 1:
          for (size_t i = bpp; i < rowBytes; ++i) row[i] = static_cast<uint8_t>(row[i] + row[i - bpp]);
          break;
        case 2:
          for (size_t i = 0; i < rowBytes; ++i) row[i] = static_cast<uint8_t>(row[i] + up[i]);
          break;
        case 3:
          for (size_t i = 0; i < rowBytes; ++i) {
            int left = i >= bpp ? row[i - bpp] : 0;
            row[i] = static_cast<uint8_t>(row[i] + ((left + up[i]) >> 1));
          }
          break;
        case 4:
          for (size_t i = 0; i < rowBytes; ++i) {
            int left = i >= bpp ? row[i - bpp] : 0, upLeft = i >= bpp ? up[i - bpp] : 0;
            row[i] = static_cast<uint8_t>(row[i] + Paeth(left, up[i], upLeft));
          }
          break;
        default: return "PNG image data is corrupt (filter type)";
      }
      sink(y, g.x0, g.dx, count, row);
      // This row is the next one's "up": swap the buffers, the filter byte
      // slot stays in front.
      cur.swap(prev);
    }
  }
  return {};
}

// A 16-bit sample scaled to 8 bits, rounded.
inline uint8_t Reduce16(const uint8_t* s) {
  uint32_t v = (uint32_t{s[0]} << 8) | s[1];
  return static_cast<uint8_t>((v * 255 + 32767) / 65535);
}

// Sample n of a packed row of samples of `depth` bits (depth below 8).
inline uint32_t PackedSample(const uint8_t* raw, uint32_t n, uint32_t depth) {
  uint32_t bit = n * depth;
  return (raw[bit >> 3] >> (8 - depth - (bit & 7))) & ((1u << depth) - 1);
}

void ExpandRgba(const PngInfo& info, const uint8_t* raw, uint32_t count, uint8_t* out) {
  const uint32_t depth = info.bitDepth;
  switch (info.colourType) {
    case 0: {
      const uint32_t scale = depth == 16 ? 1 : 255 / ((1u << depth) - 1);
      for (uint32_t i = 0; i < count; ++i) {
        uint32_t v;
        uint8_t g;
        if (depth == 16) {
          v = (uint32_t{raw[2 * i]} << 8) | raw[2 * i + 1];
          g = Reduce16(raw + 2 * i);
        } else {
          v = depth == 8 ? raw[i] : PackedSample(raw, i, depth);
          g = static_cast<uint8_t>(v * scale);
        }
        out[4 * i] = out[4 * i + 1] = out[4 * i + 2] = g;
        out[4 * i + 3] = (info.hasKey && v == info.keyRed) ? 0 : 255;
      }
      break;
    }
    case 2:
      for (uint32_t i = 0; i < count; ++i) {
        if (depth == 16) {
          const uint8_t* s = raw + 6 * i;
          out[4 * i] = Reduce16(s);
          out[4 * i + 1] = Reduce16(s + 2);
          out[4 * i + 2] = Reduce16(s + 4);
          bool key = info.hasKey && ((s[0] << 8) | s[1]) == info.keyRed && ((s[2] << 8) | s[3]) == info.keyGreen &&
                     ((s[4] << 8) | s[5]) == info.keyBlue;
          out[4 * i + 3] = key ? 0 : 255;
        } else {
          const uint8_t* s = raw + 3 * i;
          out[4 * i] = s[0];
          out[4 * i + 1] = s[1];
          out[4 * i + 2] = s[2];
          bool key = info.hasKey && s[0] == info.keyRed && s[1] == info.keyGreen && s[2] == info.keyBlue;
          out[4 * i + 3] = key ? 0 : 255;
        }
      }
      break;
    case 3:
      for (uint32_t i = 0; i < count; ++i) {
        uint32_t idx = depth == 8 ? raw[i] : PackedSample(raw, i, depth);
        Rgb c = idx < info.palette.size() ? info.palette[idx] : Rgb{};
        out[4 * i] = c.r;
        out[4 * i + 1] = c.g;
        out[4 * i + 2] = c.b;
        out[4 * i + 3] = idx < info.paletteAlpha.size() ? info.paletteAlpha[idx] : 255;
      }
      break;
    case 4:
      for (uint32_t i = 0; i < count; ++i) {
        uint8_t g = depth == 16 ? Reduce16(raw + 4 * i) : raw[2 * i];
        uint8_t a = depth == 16 ? Reduce16(raw + 4 * i + 2) : raw[2 * i + 1];
        out[4 * i] = out[4 * i + 1] = out[4 * i + 2] = g;
        out[4 * i + 3] = a;
      }
      break;
    default:
      if (depth == 16) {
        for (uint32_t i = 0; i < count; ++i)
          for (int c = 0; c < 4; ++c) out[4 * i + c] = Reduce16(raw + 8 * i + 2 * c);
      } else {
        std::memcpy(out, raw, static_cast<size_t>(count) * 4);
      }
      break;
  }
}

}  // namespace

const char* ColourTypeName(uint8_t colourType) {
  switch (colourType) {
    case 0: return "greyscale";
    case 2: return "truecolour";
    case 3: return "palette";
    case 4: return "greyscale with alpha";
    case 6: return "truecolour with alpha";
    default: return "unknown";
  }
}

Decoded<PngInfo> ParsePng(std::span<const uint8_t> data) {
  ByteReader in(data);
  auto sig = in.Bytes(8);
  if (in.Failed() || std::memcmp(sig.data(), kSignature, 8) != 0) return InfoResult::Fail("Not a PNG file");

  PngInfo info;
  bool seenHeader = false, seenPalette = false, seenTrns = false, seenEnd = false, idatDone = false;
  std::span<const uint8_t> trns;
  for (int index = 0; !seenEnd; ++index) {
    uint32_t length = in.U32BE();
    size_t typeAt = in.Position();
    uint32_t type = in.U32BE();
    if (in.Failed()) return InfoResult::Fail("PNG file is truncated");
    if (length > 0x7FFFFFFFu) return InfoResult::Fail("PNG chunk length is invalid");
    auto body = in.Bytes(length);
    uint32_t crc = in.U32BE();
    if (in.Failed()) return InfoResult::Fail("PNG file is truncated");
    for (int s = 24; s >= 0; s -= 8) {
      uint8_t ch = static_cast<uint8_t>(type >> s);
      if (!((ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z'))) return InfoResult::Fail("PNG chunk type is invalid");
    }
    const bool ancillary = (type & 0x20000000u) != 0;
#ifndef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION  // lets the fuzzer reach past the CRCs
    if (crc32(crc32(0, nullptr, 0), data.data() + typeAt, length + 4) != crc) {
      // A damaged optional chunk is dropped, as the reference library does;
      // only a damaged critical chunk spoils the image.
      if (ancillary && index > 0) continue;
      return InfoResult::Fail("PNG chunk CRC is wrong");
    }
#else
    (void)crc;
#endif

    if (index == 0 && type != ChunkId("IHDR")) return InfoResult::Fail("PNG header chunk is missing");
    if (type != ChunkId("IDAT") && !info.idat.empty()) idatDone = true;

    if (type == ChunkId("IHDR")) {
      if (seenHeader || length != 13) return InfoResult::Fail("PNG header chunk is invalid");
      ByteReader h(body);
      info.width = h.U32BE();
      info.height = h.U32BE();
      info.bitDepth = h.U8();
      info.colourType = h.U8();
      uint8_t compression = h.U8(), filter = h.U8(), interlace = h.U8();
      if (info.width == 0 || info.height == 0 || info.width > 0x7FFFFFFFu || info.height > 0x7FFFFFFFu)
        return InfoResult::Fail("PNG image size is invalid");
      if (!ValidDepth(info.colourType, info.bitDepth)) return InfoResult::Fail("PNG colour type or bit depth is invalid");
      if (compression != 0 || filter != 0 || interlace > 1) return InfoResult::Fail("PNG header chunk is invalid");
      if (!BitmapSizeAllowed(info.width, info.height)) return InfoResult::Fail(ImageTooLargeText(info.width, info.height));
      // The working rows (two filter rows and one RGBA row) obey the same
      // limit: a very wide image of few rows must not need more than that.
      const uint64_t rowBytes = (uint64_t{info.width} * info.bitDepth * Channels(info.colourType) + 7) / 8 + 1;
      if (2 * rowBytes + uint64_t{info.width} * 4 > kMaxBitmapBytes)
        return InfoResult::Fail(ImageTooLargeText(info.width, info.height));
      info.interlaced = interlace == 1;
      seenHeader = true;
    } else if (type == ChunkId("PLTE")) {
      if (seenPalette || !info.idat.empty() || seenTrns) return InfoResult::Fail("PNG palette chunk is misplaced");
      if (length == 0 || length % 3 != 0 || length / 3 > 256) return InfoResult::Fail("PNG palette chunk is invalid");
      if (info.colourType == 0 || info.colourType == 4) return InfoResult::Fail("PNG palette chunk is not allowed here");
      info.palette.resize(length / 3);
      for (size_t i = 0; i < info.palette.size(); ++i)
        info.palette[i] = Rgb{body[3 * i], body[3 * i + 1], body[3 * i + 2]};
      seenPalette = true;
    } else if (type == ChunkId("tRNS")) {
      if (seenTrns || !info.idat.empty()) return InfoResult::Fail("PNG transparency chunk is misplaced");
      trns = body;
      seenTrns = true;
    } else if (type == ChunkId("IDAT")) {
      if (idatDone) return InfoResult::Fail("PNG image data chunks are not consecutive");
      if (length > 0) info.idat.push_back(body);
      else if (info.idat.empty()) info.idat.push_back(body);  // keeps "IDAT seen"
    } else if (type == ChunkId("IEND")) {
      seenEnd = true;
    } else if (!(type & 0x20000000u)) {
      return InfoResult::Fail("PNG file holds an unknown critical chunk");
    }
    // Ancillary chunks (text, time, gamma, ...) are read past.
  }
  if (info.idat.empty()) return InfoResult::Fail("PNG file holds no image data");
  if (info.colourType == 3 && info.palette.empty()) return InfoResult::Fail("PNG palette is missing");

  // Deflate expands at most about 1032 times: a file whose data cannot hold
  // the declared image is refused before anyone allocates for it.
  uint64_t compressed = 0, needed = 0;
  for (auto chunk : info.idat) compressed += chunk.size();
  const uint64_t bits = uint64_t{info.bitDepth} * Channels(info.colourType);
  for (int p = 0; p < (info.interlaced ? 7 : 1); ++p) {
    Pass g = info.interlaced ? kAdam7[p] : Pass{0, 0, 1, 1};
    if (g.x0 >= info.width || g.y0 >= info.height) continue;
    uint64_t cols = (info.width - g.x0 + g.dx - 1) / g.dx, rows = (info.height - g.y0 + g.dy - 1) / g.dy;
    needed += rows * (1 + (cols * bits + 7) / 8);
  }
  if (needed > compressed * 1100 + 1024) return InfoResult::Fail("PNG image data is incomplete");

  info.paletteAlpha.assign(info.palette.size(), 255);
  if (seenTrns) {
    switch (info.colourType) {
      case 3: {
        // Entries beyond the palette have no colour to apply to: cut them.
        if (trns.size() > info.palette.size()) trns = trns.first(info.palette.size());
        int zero = 0, partial = 0;
        for (size_t i = 0; i < trns.size(); ++i) {
          info.paletteAlpha[i] = trns[i];
          zero += trns[i] == 0;
          partial += trns[i] != 0 && trns[i] != 255;
        }
        info.transparency = partial > 0 || zero > 1 ? PngTransparency::Partial
                            : zero == 1           ? PngTransparency::SingleColour
                                                  : PngTransparency::None;
        break;
      }
      case 0:
        if (trns.size() != 2) return InfoResult::Fail("PNG transparency chunk is invalid");
        info.hasKey = true;
        info.keyRed = static_cast<uint16_t>((trns[0] << 8) | trns[1]);
        info.transparency = PngTransparency::SingleColour;
        break;
      case 2:
        if (trns.size() != 6) return InfoResult::Fail("PNG transparency chunk is invalid");
        info.hasKey = true;
        info.keyRed = static_cast<uint16_t>((trns[0] << 8) | trns[1]);
        info.keyGreen = static_cast<uint16_t>((trns[2] << 8) | trns[3]);
        info.keyBlue = static_cast<uint16_t>((trns[4] << 8) | trns[5]);
        info.transparency = PngTransparency::SingleColour;
        break;
      default: break;  // alpha channel already; the chunk is ignored
    }
  }
  if (info.colourType == 4 || info.colourType == 6) info.transparency = PngTransparency::Partial;
  return info;
}

std::string DecodePngRows(const PngInfo& info, const PngRgbaRowSink& sink) {
  std::vector<uint8_t> rgba;
  try {
    rgba.resize(static_cast<size_t>(info.width) * 4);
  } catch (const std::bad_alloc&) {
    return "Out of memory decoding PNG";
  }
  return DecodeScanlines(info, [&](uint32_t y, uint32_t x0, uint32_t dx, uint32_t count, const uint8_t* raw) {
    ExpandRgba(info, raw, count, rgba.data());
    sink(y, x0, dx, count, rgba.data());
  });
}

Decoded<RgbaImage> DecodePngRgba(std::span<const uint8_t> data) {
  auto parsed = ParsePng(data);
  if (!parsed) return Decoded<RgbaImage>::Fail(parsed.error());
  const PngInfo& info = parsed.value();
  RgbaImage image;
  image.width = static_cast<int>(info.width);
  image.height = static_cast<int>(info.height);
  try {
    image.rgba.assign(static_cast<size_t>(info.width) * info.height * 4, 0);
  } catch (const std::bad_alloc&) {
    return Decoded<RgbaImage>::Fail("Out of memory decoding PNG");
  }
  std::string err = DecodePngRows(info, [&](uint32_t y, uint32_t x0, uint32_t dx, uint32_t count, const uint8_t* rgba) {
    uint8_t* row = image.rgba.data() + static_cast<size_t>(y) * info.width * 4;
    for (uint32_t i = 0; i < count; ++i) std::memcpy(row + 4 * (x0 + i * dx), rgba + 4 * i, 4);
  });
  if (!err.empty()) return Decoded<RgbaImage>::Fail(err);
  return image;
}

void DrawPng(const PngInfo& info, TBitmap8& target, int x, int y, const std::array<uint8_t, 256>* finish) {
  ColourMapper& mapper = target.Mapper();
  std::array<uint8_t, 256> identity;
  for (int i = 0; i < 256; ++i) identity[i] = static_cast<uint8_t>(i);
  const std::array<uint8_t, 256>& fin = finish ? *finish : identity;
  const int64_t tw = target.Width(), th = target.Height();
  // Visible source columns [sx0, sx1).
  const int64_t sx0 = std::max<int64_t>(0, -int64_t{x}), sx1 = std::min<int64_t>(info.width, tw - x);
  std::string err;
  // The pass pixels [first, last) of a row that land on the bitmap; pass
  // pixel i lies at source column x0 + i * dx.
  auto visible = [&](uint32_t x0, uint32_t dx, uint32_t count, uint32_t& first, uint32_t& last) {
    if (sx1 <= sx0) return false;
    first = sx0 <= x0 ? 0 : static_cast<uint32_t>((sx0 - x0 + dx - 1) / dx);
    int64_t end = sx1 <= x0 ? 0 : (sx1 - x0 + dx - 1) / dx;
    last = static_cast<uint32_t>(std::min<int64_t>(count, end));
    return first < last;
  };
  if (info.colourType == 3) {
    // Palette images: per entry, copy its nearest colour, skip it, or blend.
    enum : uint8_t { kCopy, kSkip, kBlend };
    uint8_t opaque[256] = {}, alpha[256], action[256];
    for (int i = 0; i < 256; ++i) {
      Rgb c = i < static_cast<int>(info.palette.size()) ? info.palette[i] : Rgb{};
      opaque[i] = fin[mapper.Map(c)];
      alpha[i] = i < static_cast<int>(info.paletteAlpha.size()) ? info.paletteAlpha[i] : 255;
      action[i] = alpha[i] == 255 ? kCopy : alpha[i] == 0 ? kSkip : kBlend;
    }
    int blendEntries = 0;
    for (uint8_t a : action) blendEntries += a == kBlend;
    // Entry k at its alpha over destination index d, remembered per pair.
    std::vector<uint16_t> blendCache(blendEntries ? 256 * 256 : 0, 0xFFFF);
    auto blended = [&](uint8_t k, uint8_t d) -> uint8_t {
      uint16_t& slot = blendCache[k * 256 + d];
      if (slot == 0xFFFF) slot = fin[mapper.Blend(k < info.palette.size() ? info.palette[k] : Rgb{}, alpha[k], d)];
      return static_cast<uint8_t>(slot);
    };
    // With few partly transparent entries, one table gives every result:
    // (entry, what the bitmap holds) -> new index, with no branch per pixel.
    std::vector<uint8_t> result;
    if (blendEntries <= 32) {
      result.resize(256 * 256);
      for (int k = 0; k < 256; ++k)
        for (int d = 0; d < 256; ++d)
          result[k * 256 + d] = action[k] == kCopy ? opaque[k]
                                : action[k] == kSkip ? static_cast<uint8_t>(d)
                                                     : blended(static_cast<uint8_t>(k), static_cast<uint8_t>(d));
    }
    std::vector<uint8_t> indices;
    if (info.bitDepth < 8) indices.resize(info.width);
    err = DecodeScanlines(info, [&](uint32_t sy, uint32_t x0, uint32_t dx, uint32_t count, const uint8_t* raw) {
      int64_t dy = int64_t{y} + sy;
      uint32_t first, last;
      if (dy < 0 || dy >= th || !visible(x0, dx, count, first, last)) return;
      const uint8_t* idx = raw;
      if (info.bitDepth < 8) {
        for (uint32_t i = 0; i < count; ++i) indices[i] = static_cast<uint8_t>(PackedSample(raw, i, info.bitDepth));
        idx = indices.data();
      }
      uint8_t* row = target.Row(static_cast<int>(dy));
      if (dx == 1) {
        uint8_t* d = row + (int64_t{x} + x0 + first);
        const uint8_t* s = idx + first;
        const uint32_t n = last - first;
        if (!result.empty()) {
          const uint8_t* table = result.data();
          for (uint32_t i = 0; i < n; ++i) d[i] = table[(s[i] << 8) | d[i]];
          return;
        }
        for (uint32_t i = 0; i < n; ++i) {
          uint8_t k = s[i];
          uint8_t out = action[k] == kSkip ? d[i] : opaque[k];
          if (action[k] == kBlend) out = blended(k, d[i]);
          d[i] = out;
        }
        return;
      }
      for (uint32_t i = first; i < last; ++i) {
        uint8_t k = idx[i];
        uint8_t& d = row[int64_t{x} + x0 + int64_t{i} * dx];
        if (action[k] == kCopy) d = opaque[k];
        else if (action[k] == kBlend) d = blended(k, d);
      }
    });
  } else {
    err = DecodePngRows(info, [&](uint32_t sy, uint32_t x0, uint32_t dx, uint32_t count, const uint8_t* rgba) {
      int64_t dy = int64_t{y} + sy;
      uint32_t first, last;
      if (dy < 0 || dy >= th || !visible(x0, dx, count, first, last)) return;
      uint8_t* row = target.Row(static_cast<int>(dy));
      for (uint32_t i = first; i < last; ++i) {
        const uint8_t* p = rgba + 4 * i;
        uint8_t& d = row[int64_t{x} + x0 + int64_t{i} * dx];
        if (p[3] == 255) d = fin[mapper.Map(Rgb{p[0], p[1], p[2]})];
        else if (p[3] != 0) d = fin[mapper.Blend(Rgb{p[0], p[1], p[2]}, p[3], d)];
      }
    });
  }
  if (!err.empty()) throw ImageError(err);
}

}  // namespace ombrix
