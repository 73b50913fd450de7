#include "imaging/BmpFile.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/ByteReader.h"
#include "util/FileUtil.h"

namespace ombrix {

namespace {

void Put16(uint8_t*& p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p += 2;
}
void Put32(uint8_t*& p, uint32_t v) {
  Put16(p, v & 0xFFFF);
  Put16(p, v >> 16);
}

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f) std::fclose(f);
  }
};

constexpr uint32_t kHeaderBytes = 14 + 40 + 4 * 256;

}  // namespace

uint64_t BmpFileSize(int width, int height) {
  uint64_t row = (static_cast<uint64_t>(width) + 3) & ~uint64_t{3};
  return kHeaderBytes + row * static_cast<uint64_t>(height);
}

void WriteBmpFile(const std::string& path, const TBitmap8& bitmap) {
  const int width = bitmap.Width(), height = bitmap.Height();
  if (bitmap.IsEmpty()) throw ImageError("Cannot save an empty bitmap as " + path);
  const uint32_t rowSize = (static_cast<uint32_t>(width) + 3) & ~3u;
  const uint64_t fileSize = BmpFileSize(width, height);
  if (fileSize > 0xFFFFFFFFull) throw ImageError("Bitmap too large to save as " + path);

  uint8_t header[kHeaderBytes] = {};
  uint8_t* p = header;
  *p++ = 'B';
  *p++ = 'M';
  Put32(p, static_cast<uint32_t>(fileSize));
  Put32(p, 0);
  Put32(p, kHeaderBytes);
  Put32(p, 40);
  Put32(p, static_cast<uint32_t>(width));
  Put32(p, static_cast<uint32_t>(height));
  Put16(p, 1);
  Put16(p, 8);
  Put32(p, 0);
  Put32(p, rowSize * static_cast<uint32_t>(height));
  Put32(p, 3780);  // 96 dpi, in pixels per metre
  Put32(p, 3780);
  Put32(p, 256);
  Put32(p, 0);  // all colours important
  const Palette& pal = bitmap.GetPalette();
  for (size_t i = 0; i < 256; ++i) {
    Rgb c = i < pal.size() ? pal[i] : Rgb{};
    *p++ = c.b;
    *p++ = c.g;
    *p++ = c.r;
    *p++ = 0;
  }

  std::string target = ResolvePath(path);
  std::string temp = target + ".part";
  bool ok = false;
  {
    std::unique_ptr<std::FILE, FileCloser> f(std::fopen(temp.c_str(), "wb"));
    if (!f) throw ImageError("Cannot create " + path);
    std::setvbuf(f.get(), nullptr, _IONBF, 0);  // we write in large blocks ourselves
    ok = std::fwrite(header, 1, sizeof header, f.get()) == sizeof header;
    // Rows go out in blocks of about 256 KB, bottom row first.
    const size_t rowsPerBlock = std::max<size_t>(1, (256 * 1024) / rowSize);
    std::vector<uint8_t> block(rowsPerBlock * rowSize, 0);
    for (int y = height - 1; ok && y >= 0;) {
      size_t n = 0;
      for (; n < rowsPerBlock && y >= 0; ++n, --y) std::memcpy(block.data() + n * rowSize, bitmap.Row(y), width);
      ok = std::fwrite(block.data(), 1, n * rowSize, f.get()) == n * rowSize;
    }
    if (std::fclose(f.release()) != 0) ok = false;
  }
  // One step: deleting first and then renaming would lose both files when
  // the rename fails.
  if (ok) ok = ReplaceFile(temp, target);
  if (!ok) {
    DeleteFileAt(temp);
    throw ImageError("Cannot write " + path);
  }
}

Decoded<DecodedBmp> DecodeBmp(std::span<const uint8_t> data) {
  using R = Decoded<DecodedBmp>;
  ByteReader in(data);
  if (in.U8() != 'B' || in.U8() != 'M') return R::Fail("Not a bitmap file");
  in.Skip(8);
  uint32_t offBits = in.U32LE();
  uint32_t headerSize = in.U32LE();
  if (in.Failed() || headerSize < 40 || headerSize > 124) return R::Fail("Unsupported bitmap header");
  int32_t width = static_cast<int32_t>(in.U32LE());
  int32_t rawHeight = static_cast<int32_t>(in.U32LE());
  uint16_t planes = in.U16LE();
  uint16_t bits = in.U16LE();
  uint32_t compression = in.U32LE();
  in.Skip(12);
  uint32_t colours = in.U32LE();
  if (in.Failed()) return R::Fail("Bitmap file is truncated");
  if (planes != 1 || compression != 0) return R::Fail("Unsupported bitmap compression");
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return R::Fail("Unsupported bitmap depth");
  if (width <= 0 || rawHeight == 0 || rawHeight == INT32_MIN) return R::Fail("Invalid bitmap size");
  bool topDown = rawHeight < 0;
  int height = topDown ? -rawHeight : rawHeight;
  if (!BitmapSizeAllowed(width, height)) return R::Fail(ImageTooLargeText(width, height));
  if (bits == 32 && !BitmapSizeAllowed(static_cast<uint64_t>(width) * 4, height))
    return R::Fail(ImageTooLargeText(width, height));

  DecodedBmp out;
  const uint64_t rowSize = ((static_cast<uint64_t>(width) * bits + 31) / 32) * 4;
  if (bits <= 8) {
    uint32_t max = 1u << bits;
    if (colours == 0 || colours > max) colours = max;
    if (!in.Seek(14 + headerSize)) return R::Fail("Bitmap file is truncated");
    Palette pal(colours);
    for (Rgb& c : pal) {
      c.b = in.U8();
      c.g = in.U8();
      c.r = in.U8();
      in.U8();
    }
    if (in.Failed()) return R::Fail("Bitmap colour table is truncated");
    out.isIndexed = true;
    out.indexed.SetPalette(std::move(pal));
  }
  if (offBits > data.size() || rowSize * height > data.size() - offBits) return R::Fail("Bitmap pixel data is truncated");
  if (out.isIndexed) {
    out.indexed.SetSize(width, height);
  } else {
    out.rgba.width = width;
    out.rgba.height = height;
    out.rgba.rgba.assign(static_cast<size_t>(width) * height * 4, 255);
  }
  for (int y = 0; y < height; ++y) {
    const uint8_t* src = data.data() + offBits + rowSize * static_cast<uint64_t>(topDown ? y : height - 1 - y);
    if (out.isIndexed) {
      uint8_t* d = out.indexed.Row(y);
      for (int x = 0; x < width; ++x) {
        if (bits == 8) d[x] = src[x];
        else if (bits == 4) d[x] = (src[x / 2] >> ((x & 1) ? 0 : 4)) & 0xF;
        else d[x] = (src[x / 8] >> (7 - (x & 7))) & 1;
      }
    } else {
      uint8_t* d = out.rgba.rgba.data() + static_cast<size_t>(y) * width * 4;
      int step = bits / 8;
      for (int x = 0; x < width; ++x) {
        d[4 * x] = src[x * step + 2];
        d[4 * x + 1] = src[x * step + 1];
        d[4 * x + 2] = src[x * step];
      }
    }
  }
  return out;
}

}  // namespace ombrix
