#include "imaging/WorkObjects.h"

#include <cstdio>
#include <memory>
#include <new>

#include "imaging/BmpFile.h"
#include "imaging/Palette.h"
#include "util/FileUtil.h"
#include "util/StrUtil.h"

namespace ombrix {

std::vector<uint8_t> ReadImageFile(const std::string& path) {
  std::string content;
  if (!ReadWholeFile(path, content)) throw ImageError("Cannot read " + path);
  return std::vector<uint8_t>(content.begin(), content.end());
}

void TGifImage::LoadFromFile(const std::string& path) {
  std::vector<uint8_t> data = ReadImageFile(path);
  LoadFromMemory(data);
}

void TGifImage::LoadFromMemory(std::span<const uint8_t> data) {
  Empty();
  gif_ = DecodeGif(data).take();
}

TBitmap8& TGifImage::Bitmap() {
  if (!gif_) throw ImageError("No GIF image loaded");
  if (!bitmap_) bitmap_ = RenderGifFrame(*gif_);
  return *bitmap_;
}

void TGifImage::Empty() {
  bitmap_.reset();
  gif_.reset();
}

void TPicture::LoadFromFile(const std::string& path) {
  std::string ext = ExtractFileExt(path);
  Kind kind = SameText(ext, ".png") ? Kind::Png : SameText(ext, ".gif") ? Kind::Gif : SameText(ext, ".bmp") ? Kind::Bmp : Kind::None;
  if (kind == Kind::None) throw ImageError("Unknown picture file extension " + ext);
  Empty();
  std::vector<uint8_t> data = ReadImageFile(path);
  switch (kind) {
    case Kind::Png: {
      bytes_ = std::move(data);
      auto parsed = ParsePng(bytes_);
      if (!parsed) {
        bytes_.clear();
        bytes_.shrink_to_fit();
        throw ImageError(parsed.error());
      }
      png_ = std::move(parsed.value());
      break;
    }
    case Kind::Gif: gif_.LoadFromMemory(data); break;
    default: {
      DecodedBmp bmp = DecodeBmp(data).take();
      if (bmp.isIndexed) indexed_ = std::move(bmp.indexed);
      else rgba_ = std::move(bmp.rgba);
      break;
    }
  }
  kind_ = kind;
}

int TPicture::Width() const {
  switch (kind_) {
    case Kind::Png: return static_cast<int>(png_.width);
    case Kind::Gif: return gif_.Width();
    case Kind::Bmp: return indexed_ ? indexed_->Width() : rgba_.width;
    default: return 0;
  }
}

int TPicture::Height() const {
  switch (kind_) {
    case Kind::Png: return static_cast<int>(png_.height);
    case Kind::Gif: return gif_.Height();
    case Kind::Bmp: return indexed_ ? indexed_->Height() : rgba_.height;
    default: return 0;
  }
}

void TPicture::Draw(TBitmap8& target, int x, int y) const {
  switch (kind_) {
    case Kind::Png: DrawPng(png_, target, x, y); break;
    case Kind::Gif: target.Draw(x, y, const_cast<TGifImage&>(gif_).Bitmap()); break;
    case Kind::Bmp:
      if (indexed_) {
        target.Draw(x, y, *indexed_);
      } else {
        for (int sy = 0; sy < rgba_.height; ++sy) {
          int dy = y + sy;
          if (dy < 0 || dy >= target.Height()) continue;
          uint8_t* row = target.Row(dy);
          for (int sx = 0; sx < rgba_.width; ++sx) {
            int dx = x + sx;
            if (dx < 0 || dx >= target.Width()) continue;
            const uint8_t* p = rgba_.rgba.data() + (static_cast<size_t>(sy) * rgba_.width + sx) * 4;
            row[dx] = target.MapColour(Rgb{p[0], p[1], p[2]});
          }
        }
      }
      break;
    default: break;
  }
}

void TPicture::Empty() {
  kind_ = Kind::None;
  bytes_.clear();
  bytes_.shrink_to_fit();
  png_ = PngInfo{};
  gif_.Empty();
  indexed_.reset();
  rgba_ = RgbaImage{};
}

TBitmap8 NewWorkBitmap() {
  TBitmap8 bmp(HalftonePalette());
  bmp.BrushColor = Rgb::FromColorRef(0xFFFFFF);
  bmp.Transparent = true;
  bmp.TransparentColor = Rgb::FromColorRef(0);
  return bmp;
}

TBitmap8 NewTextBitmap() {
  TBitmap8 bmp(HalftonePalette());
  bmp.BrushColor = Rgb::FromColorRef(0xFFFFFF);
  bmp.Font.face = "Arial";
  bmp.Font.points = 10;
  bmp.Font.color = Rgb::FromColorRef(0);
  return bmp;
}

}  // namespace ombrix
