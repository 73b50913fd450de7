// Imaging commands: decode an image to the BMP a conversion would write,
// describe an image, shift an underlay's history.
#include <cstdio>

#include "Command.h"
#include "imaging/Bitmap8.h"
#include "imaging/ImageHistory.h"
#include "imaging/Palette.h"
#include "imaging/WorkObjects.h"
#include "util/FileUtil.h"
#include "util/StrUtil.h"

namespace ombrix::tool {
namespace {

int Decode(const Args& args) {
  RequireArgs(args, 2, 2);
  try {
    if (SameText(ExtractFileExt(args[0]), ".gif")) {
      // The GIF conversion's bitmap: the GIF's own palette and indices.
      TGifImage gif;
      gif.LoadFromFile(args[0]);
      gif.Bitmap().SaveToFile(args[1]);
    } else {
      // As the composite conversion draws it: onto a white halftone bitmap.
      TPicture picture;
      picture.LoadFromFile(args[0]);
      TBitmap8 bitmap(HalftonePalette());
      bitmap.SetSize(picture.Width(), picture.Height());
      picture.Draw(bitmap, 0, 0);
      picture.Empty();
      bitmap.SaveToFile(args[1]);
    }
  } catch (const ImageError& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}

int Info(const Args& args) {
  RequireArgs(args, 1, 1);
  try {
    std::string ext = ExtractFileExt(args[0]);
    if (SameText(ext, ".gif")) {
      TGifImage gif;
      gif.LoadFromFile(args[0]);
      const GifImage& g = *gif.Decoded();
      std::printf("GIF %d x %d\n", g.width, g.height);
      std::printf("colour table %zu entries (%s)\n", g.first.hasLocalTable ? g.first.localTable.size() : g.globalTable.size(),
                  g.first.hasLocalTable ? "local" : "global");
      std::printf("first frame %d x %d at %d,%d%s\n", g.first.width, g.first.height, g.first.left, g.first.top,
                  g.first.interlaced ? " interlaced" : "");
      std::printf("frames %d\n", g.frameCount);
    } else {
      TPicture picture;
      picture.LoadFromFile(args[0]);
      if (const PngInfo* p = picture.Png()) {
        static const char* const kTransparency[] = {"none", "one colour", "partial"};
        std::printf("PNG %u x %u\n", p->width, p->height);
        std::printf("colour type %d (%s), %d bits%s\n", p->colourType, ColourTypeName(p->colourType), p->bitDepth,
                    p->interlaced ? ", Adam7" : "");
        std::printf("transparency %s\n", kTransparency[static_cast<int>(p->transparency)]);
        std::printf("frames 1\n");
      } else {
        std::printf("BMP %d x %d\nframes 1\n", picture.Width(), picture.Height());
      }
    }
  } catch (const ImageError& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}

int ShiftHistory(const Args& args) {
  RequireArgs(args, 1, 1);
  std::printf("%lld\n", ShiftImageHistory(args[0]));
  return 0;
}

}  // namespace

OMBRIX_COMMAND("decode", "IMAGE OUT.bmp", "decode a GIF, PNG or BMP into the 8-bit BMP a conversion writes", Decode);
OMBRIX_COMMAND("info", "IMAGE", "size, colour type and frames of an image", Info);
OMBRIX_COMMAND("shift-history", "PATH", "shift the image history of the underlay PATH; prints its old size", ShiftHistory);

}  // namespace ombrix::tool
