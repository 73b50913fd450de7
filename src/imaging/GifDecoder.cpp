#include "imaging/GifDecoder.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "imaging/ByteReader.h"

namespace ombrix {

namespace {

using Result = Decoded<GifImage>;

Palette ReadTable(ByteReader& in, int entries) {
  Palette table(entries);
  for (Rgb& c : table) {
    c.r = in.U8();
    c.g = in.U8();
    c.b = in.U8();
  }
  return table;
}

// Data sub-blocks up to the zero-length terminator, concatenated; false on
// a file that ends first.
bool ReadSubBlocks(ByteReader& in, std::vector<uint8_t>* out) {
  for (;;) {
    uint8_t n = in.U8();
    if (in.Failed()) return false;
    if (n == 0) return true;
    auto bytes = in.Bytes(n);
    if (in.Failed()) return false;
    if (out) out->insert(out->end(), bytes.begin(), bytes.end());
  }
}

// LZW decoding of one frame's data into `count` indices written through
// rowOf (the row a given row of the stream lands on, for interlacing).
// Returns an error text, or empty on success.
std::string DecodeLzw(const std::vector<uint8_t>& data, int minCodeSize, int width, int height,
                      const std::vector<int>& rowOf, uint8_t* out) {
  constexpr int kMaxCodes = 4096;
  uint16_t prefix[kMaxCodes];
  uint8_t suffix[kMaxCodes];
  uint8_t firstOf[kMaxCodes];
  uint16_t length[kMaxCodes];
  uint8_t stack[kMaxCodes];

  const int clear = 1 << minCodeSize, end = clear + 1;
  for (int i = 0; i < clear; ++i) {
    prefix[i] = 0;
    suffix[i] = firstOf[i] = static_cast<uint8_t>(i);
    length[i] = 1;
  }
  int codeSize = minCodeSize + 1, next = clear + 2, prev = -1;
  const uint64_t total = static_cast<uint64_t>(width) * height;
  uint64_t written = 0;
  int x = 0, y = 0;
  uint8_t* row = out + static_cast<size_t>(rowOf[0]) * width;

  auto emit = [&](int code) {
    int n = length[code];
    int c = code;
    for (int i = n - 1; i >= 0; --i) {
      stack[i] = suffix[c];
      c = prefix[c];
    }
    for (int i = 0; i < n && written < total; ++i) {
      row[x] = stack[i];
      ++written;
      if (++x == width) {
        x = 0;
        if (++y < height) row = out + static_cast<size_t>(rowOf[y]) * width;
      }
    }
  };

  uint32_t bits = 0;
  int bitCount = 0;
  size_t pos = 0;
  while (written < total) {
    while (bitCount < codeSize) {
      if (pos >= data.size()) return "GIF image data is incomplete";
      bits |= uint32_t{data[pos++]} << bitCount;
      bitCount += 8;
    }
    int code = static_cast<int>(bits & ((1u << codeSize) - 1));
    bits >>= codeSize;
    bitCount -= codeSize;

    if (code == clear) {
      codeSize = minCodeSize + 1;
      next = clear + 2;
      prev = -1;
      continue;
    }
    if (code == end) return "GIF image data is incomplete";
    if (prev < 0) {
      if (code >= clear) return "GIF image data is corrupt";
      emit(code);
      prev = code;
      continue;
    }
    if (code < next) {
      if (next < kMaxCodes) {
        prefix[next] = static_cast<uint16_t>(prev);
        suffix[next] = firstOf[code];
        firstOf[next] = firstOf[prev];
        length[next] = static_cast<uint16_t>(length[prev] + 1);
        ++next;
      }
      emit(code);
    } else if (code == next && next < kMaxCodes) {
      prefix[next] = static_cast<uint16_t>(prev);
      suffix[next] = firstOf[prev];
      firstOf[next] = firstOf[prev];
      length[next] = static_cast<uint16_t>(length[prev] + 1);
      ++next;
      emit(code);
    } else {
      return "GIF image data is corrupt";
    }
    prev = code;
    // A full table keeps 12-bit codes until the encoder sends a clear code.
    if (next == (1 << codeSize) && codeSize < 12) ++codeSize;
  }
  return {};
}

std::vector<int> RowOrder(int height, bool interlaced) {
  std::vector<int> rows;
  rows.reserve(height);
  if (!interlaced) {
    for (int y = 0; y < height; ++y) rows.push_back(y);
  } else {
    static constexpr int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
      for (int y = start[pass]; y < height; y += step[pass]) rows.push_back(y);
  }
  return rows;
}

}  // namespace

Decoded<GifImage> DecodeGif(std::span<const uint8_t> data) {
  ByteReader in(data);
  auto sig = in.Bytes(6);
  if (in.Failed() || std::memcmp(sig.data(), "GIF", 3) != 0 ||
      (std::memcmp(sig.data() + 3, "87a", 3) != 0 && std::memcmp(sig.data() + 3, "89a", 3) != 0))
    return Result::Fail("Not a GIF file");

  GifImage gif;
  gif.width = in.U16LE();
  gif.height = in.U16LE();
  uint8_t packed = in.U8();
  gif.backgroundIndex = in.U8();
  in.U8();  // pixel aspect ratio
  if (in.Failed()) return Result::Fail("GIF file is truncated");
  if (!BitmapSizeAllowed(gif.width, gif.height)) return Result::Fail(ImageTooLargeText(gif.width, gif.height));
  if (packed & 0x80) {
    gif.hasGlobalTable = true;
    gif.globalTable = ReadTable(in, 2 << (packed & 7));
    if (in.Failed()) return Result::Fail("GIF colour table is truncated");
  }

  int pendingTransparent = -1;
  for (;;) {
    uint8_t block = in.U8();
    if (in.Failed()) {
      if (gif.frameCount > 0) break;  // a missing trailer after a whole frame is harmless
      return Result::Fail("GIF file is truncated");
    }
    if (block == 0x3B) break;  // trailer
    if (block == 0x21) {
      uint8_t label = in.U8();
      if (label == 0xF9) {
        uint8_t size = in.U8();
        auto gce = in.Bytes(size);
        if (!in.Failed() && size >= 4 && (gce[0] & 1)) pendingTransparent = gce[3];
      }
      if (in.Failed() || !ReadSubBlocks(in, nullptr)) {
        if (gif.frameCount > 0) break;
        return Result::Fail("GIF file is truncated");
      }
      continue;
    }
    if (block != 0x2C) {
      if (gif.frameCount > 0) break;
      return Result::Fail("GIF file is corrupt (unknown block)");
    }

    // Image descriptor.
    GifFrame frame;
    frame.left = in.U16LE();
    frame.top = in.U16LE();
    frame.width = in.U16LE();
    frame.height = in.U16LE();
    uint8_t flags = in.U8();
    frame.interlaced = (flags & 0x40) != 0;
    frame.transparentIndex = pendingTransparent;
    pendingTransparent = -1;
    if (flags & 0x80) {
      frame.hasLocalTable = true;
      frame.localTable = ReadTable(in, 2 << (flags & 7));
    }
    int minCodeSize = in.U8();
    if (in.Failed()) {
      if (gif.frameCount > 0) break;
      return Result::Fail("GIF file is truncated");
    }
    if (gif.frameCount > 0) {
      // Later frames are never shown: walk past their data.
      if (!ReadSubBlocks(in, nullptr)) break;
      ++gif.frameCount;
      continue;
    }

    if (minCodeSize < 2 || minCodeSize > 8) return Result::Fail("GIF image data is corrupt (code size)");
    if (frame.width == 0 || frame.height == 0) return Result::Fail("GIF frame has no pixels");
    if (!BitmapSizeAllowed(frame.width, frame.height)) return Result::Fail(ImageTooLargeText(frame.width, frame.height));
    if (!frame.hasLocalTable && !gif.hasGlobalTable) return Result::Fail("GIF has no colour table");
    std::vector<uint8_t> lzw;
    if (!ReadSubBlocks(in, &lzw)) return Result::Fail("GIF file is truncated");
    // The n-th code of a run adds at most n pixels (and never more than a
    // full table's longest string), so a few bytes cannot fill a huge frame:
    // refuse before allocating it.
    const uint64_t codes = lzw.size() * 8 / (minCodeSize + 1);
    const uint64_t most = codes <= 4096 ? codes * (codes + 1) / 2 : 4096ull * 4097 / 2 + (codes - 4096) * 4096;
    if (static_cast<uint64_t>(frame.width) * frame.height > most) return Result::Fail("GIF image data is incomplete");
    try {
      frame.pixels.assign(static_cast<size_t>(frame.width) * frame.height, 0);
    } catch (const std::bad_alloc&) {
      return Result::Fail("Failed to allocate memory for GIF DIB");
    }
    std::string err =
        DecodeLzw(lzw, minCodeSize, frame.width, frame.height, RowOrder(frame.height, frame.interlaced), frame.pixels.data());
    if (!err.empty()) return Result::Fail(err);
    gif.first = std::move(frame);
    gif.frameCount = 1;
  }
  if (gif.frameCount == 0) return Result::Fail("GIF file holds no image");
  // A screen of no size takes the frame's extent.
  if (gif.width == 0 || gif.height == 0) {
    gif.width = gif.first.left + gif.first.width;
    gif.height = gif.first.top + gif.first.height;
    if (!BitmapSizeAllowed(gif.width, gif.height)) return Result::Fail(ImageTooLargeText(gif.width, gif.height));
  }
  return gif;
}

TBitmap8 RenderGifFrame(const GifImage& gif) {
  const GifFrame& f = gif.first;
  // A frame at the origin that reaches the screen's edges (or past them)
  // is the whole picture: its own table is the one to show.
  bool covers = f.left == 0 && f.top == 0 && f.width >= gif.width && f.height >= gif.height;
  TBitmap8 bmp;
  if (covers || !gif.hasGlobalTable)
    bmp.SetPalette(f.hasLocalTable ? f.localTable : gif.globalTable);
  else
    bmp.SetPalette(gif.globalTable);
  static constexpr const char* kNoMemory = "Failed to allocate memory for GIF DIB";
  if (!BitmapSizeAllowed(gif.width, gif.height)) throw ImageError(kNoMemory);
  // Start from the background index, unmapped: pixel values are indices.
  bmp.BrushColor = Rgb{};
  bmp.SetSize(gif.width, gif.height, kNoMemory);
  for (int y = 0; y < gif.height; ++y) std::memset(bmp.Row(y), gif.backgroundIndex, gif.width);
  for (int y = 0; y < f.height; ++y) {
    int dy = f.top + y;
    if (dy >= gif.height) break;
    int w = std::min(f.width, gif.width - f.left);
    if (w <= 0) break;
    std::memcpy(bmp.Row(dy) + f.left, f.pixels.data() + static_cast<size_t>(y) * f.width, w);
  }
  bmp.BrushColor = Rgb{255, 255, 255};
  return bmp;
}

}  // namespace ombrix
