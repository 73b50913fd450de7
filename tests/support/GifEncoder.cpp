#include "support/GifEncoder.h"

#include <algorithm>
#include <cstddef>
#include <map>

namespace ombrix::test {

namespace {

void Put16(std::string& out, int v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}

// Table size field: tables hold 2 << field entries.
int SizeField(size_t bytes) {
  size_t entries = bytes / 3;
  int field = 0;
  while ((2u << field) < entries) ++field;
  return field;
}

void PutTable(std::string& out, const std::vector<uint8_t>& table) {
  size_t full = (2u << SizeField(table.size())) * 3;
  out.append(table.begin(), table.end());
  out.append(full - table.size(), '\0');
}

class BitWriter {
 public:
  void Put(int code, int size) {
    acc_ |= static_cast<uint32_t>(code) << bits_;
    bits_ += size;
    while (bits_ >= 8) {
      bytes_ += static_cast<char>(acc_ & 0xFF);
      acc_ >>= 8;
      bits_ -= 8;
    }
  }
  std::string Finish() {
    if (bits_ > 0) bytes_ += static_cast<char>(acc_ & 0xFF);
    return bytes_;
  }

 private:
  uint32_t acc_ = 0;
  int bits_ = 0;
  std::string bytes_;
};

std::string Lzw(const std::vector<uint8_t>& pixels, int minCodeSize, bool clearWhenFull) {
  const int clear = 1 << minCodeSize, end = clear + 1;
  BitWriter w;
  int size = minCodeSize + 1, next = clear + 2;
  std::map<std::pair<int, int>, int> dict;
  w.Put(clear, size);
  if (pixels.empty()) {
    w.Put(end, size);
    return w.Finish();
  }
  int cur = pixels[0];
  for (size_t i = 1; i < pixels.size(); ++i) {
    int p = pixels[i];
    auto it = dict.find({cur, p});
    if (it != dict.end()) {
      cur = it->second;
      continue;
    }
    w.Put(cur, size);
    if (next < 4096) {
      dict[{cur, p}] = next++;
      if (next > (1 << size) && size < 12) ++size;
      if (next == 4096 && clearWhenFull) {
        w.Put(clear, size);
        dict.clear();
        size = minCodeSize + 1;
        next = clear + 2;
      }
    }
    cur = p;
  }
  w.Put(cur, size);
  // The decoder has caught up with the table by now and may have grown its
  // code size for the end code.
  if (next == (1 << size) && size < 12) ++size;
  w.Put(end, size);
  return w.Finish();
}

std::vector<uint8_t> Interlace(const std::vector<uint8_t>& pixels, int width, int height) {
  std::vector<uint8_t> out;
  static const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass)
    for (int y = start[pass]; y < height; y += step[pass])
      out.insert(out.end(), pixels.begin() + static_cast<std::ptrdiff_t>(y) * width,
                 pixels.begin() + static_cast<std::ptrdiff_t>(y + 1) * width);
  return out;
}

}  // namespace

std::vector<uint8_t> RampTable(int n) {
  std::vector<uint8_t> t;
  for (int i = 0; i < n; ++i) {
    t.push_back(static_cast<uint8_t>(i));
    t.push_back(static_cast<uint8_t>(255 - i));
    t.push_back(static_cast<uint8_t>(i * 7));
  }
  return t;
}

std::string EncodeGif(const GifRecipe& recipe) {
  std::string out = recipe.version87a ? "GIF87a" : "GIF89a";
  Put16(out, recipe.width);
  Put16(out, recipe.height);
  uint8_t packed = 0x70;  // colour resolution 8 bits
  if (!recipe.globalTable.empty()) packed |= 0x80 | SizeField(recipe.globalTable.size());
  out += static_cast<char>(packed);
  out += static_cast<char>(recipe.background);
  out += '\0';
  if (!recipe.globalTable.empty()) PutTable(out, recipe.globalTable);
  // A comment extension, which the decoder must read past.
  out += "\x21\xFE\x05hello";
  out += '\0';
  for (const GifFrameRecipe& f : recipe.frames) {
    if (f.transparentIndex >= 0) {
      out += "\x21\xF9\x04\x01";
      Put16(out, 10);
      out += static_cast<char>(f.transparentIndex);
      out += '\0';
    }
    out += '\x2C';
    Put16(out, f.left);
    Put16(out, f.top);
    Put16(out, f.width);
    Put16(out, f.height);
    uint8_t flags = f.interlaced ? 0x40 : 0;
    if (!f.localTable.empty()) flags |= 0x80 | SizeField(f.localTable.size());
    out += static_cast<char>(flags);
    if (!f.localTable.empty()) PutTable(out, f.localTable);
    const std::vector<uint8_t>& table = f.localTable.empty() ? recipe.globalTable : f.localTable;
    int minCode = recipe.minCodeSize ? recipe.minCodeSize : std::max(2, SizeField(table.size()) + 1);
    out += static_cast<char>(minCode);
    std::string data = Lzw(f.interlaced ? Interlace(f.pixels, f.width, f.height) : f.pixels, minCode, recipe.clearWhenFull);
    for (size_t pos = 0; pos < data.size(); pos += 255) {
      size_t n = std::min<size_t>(255, data.size() - pos);
      out += static_cast<char>(n);
      out.append(data, pos, n);
    }
    out += '\0';
  }
  if (recipe.trailer) out += '\x3B';
  return out;
}

}  // namespace ombrix::test
