// Mesonet PNG conversion: the composite drawn onto white, black and
// transparent made white, a caption band at the top only.
#include <array>
#include <exception>

#include "app/ErrorLog.h"
#include "imaging/ImageHistory.h"
#include "imaging/PngDecoder.h"
#include "imaging/UnderlayConverter.h"
#include "util/FileUtil.h"
#include "util/StrUtil.h"

namespace ombrix {

namespace {

const char* PngStageMessage(int stage) {
  switch (stage) {
    case 2: return "Error loading Png";
    case 5: return "Error setting up bmp";
    case 6: return "Error drawing png on bmp";
    case 7: return "Error freeing png";
    case 8: return "Error setting up dest";
    case 9: return "Error drawing on dest";
    case 10: return "Error freeing bmp";
    case 11: return "Error writing on dest";
    case 12: return "Error preparing target";
    case 13: return "Error accumulating";
    case 14: return "Error saving dest";
    case 16: return "Error redrawing UiView map";
    default: return "Error unknown";
  }
}

// The composite drawn onto the white WorkBitmap and that drawn onto the
// white TextBitmap skipping black is, pixel for pixel, the composite drawn
// straight onto the white TextBitmap with every black entry turned white:
// both bitmaps share the halftone palette and the white brush. Drawing it
// once keeps one full-size bitmap alive instead of two. The target must be
// freshly sized (all white).
void DrawCompositeOnWhite(const TPicture& picture, TBitmap8& target) {
  std::array<uint8_t, 256> finish;
  const Palette& pal = target.GetPalette();
  const uint8_t white = target.MapColour(target.BrushColor);
  for (size_t i = 0; i < 256; ++i)
    finish[i] = (i < pal.size() ? pal[i] : Rgb{}) == Rgb{} ? white : static_cast<uint8_t>(i);
  const PngInfo* png = picture.Png();
  if (!png) throw ImageError("The picture holds no PNG image");
  DrawPng(*png, target, 0, 0, &finish, white);
}

}  // namespace

bool UnderlayConverter::ConvertPngUnderlay(const std::string& path, TRadarObj& record) {
  Start(path);
  const Names n = NamesFor(path, record, ".png", ".wld");
  if (InputsMissing(n, record) || TooSmallFile(n, 10000, record)) return false;
  ConversionStage = 0;
  window_.SetFileText("Converting " + n.imageName + " " + TimeText());
  window_.SetPanel(0, window_.FileText());

  bool result = false, pictureLoaded = false;
  TPicture& picture = objects_.WorkPicture;
  TBitmap8& work = objects_.WorkBitmap;
  TBitmap8& dest = objects_.TextBitmap;
  try {
    [&] {
      ConversionStage = 2;
      picture.LoadFromFile(n.source + n.imageName);
      pictureLoaded = true;
      const int w = picture.Width(), h = picture.Height();
      if (w < 5000 || h < 2000) {
        window_.SetFileText(n.imageName + " too small " + "," + std::to_string(w) + " w by " + std::to_string(h) +
                            " h.  File not saved");
        LogError(window_.FileText());
        record.Status = "Error " + window_.FileText();
        return;
      }
      record.ComputeBounds(w, h);
      const std::string caption = Caption(n, record);

      ConversionStage = 5;
      dest.Empty();  // fresh pixels all take the white brush
      dest.SetSize(w, h, "Out of memory for the underlay bitmap");
      ConversionStage = 6;
      DrawCompositeOnWhite(picture, dest);
      ConversionStage = 7;
      picture.Empty();
      pictureLoaded = false;
      window_.ProcessMessages();
      // Sizing and filling the second bitmap and drawing onto it (stages 8
      // and 9) were the draw above; WorkBitmap stays empty.
      ConversionStage = 10;
      work.Empty();

      ConversionStage = 11;
      dest.FillRect({30, 0, w - 30, dest.TextHeight("YyXp")});
      dest.TextOut(w / 2 - dest.TextWidth(caption) / 2, 2, caption);

      ConversionStage = 12;
      const std::vector<std::string> targets = window_.Targets();
      const std::string local = UpperCase(window_.PMapUnderlayPath());
      for (size_t i = 0; i < targets.size(); ++i) {
        const std::string& t = targets[i];
        window_.SetPanel(0, "Transferring " + n.name + " to " + t);
        if (!DirectoryExists(t)) continue;
        const bool isLocal = UpperCase(t) == local;
        if (isLocal && record.Accumulate) {
          window_.SetPanel(0, "Accumulating " + n.name + " to " + t);
          window_.SetFileText("Renaming " + std::to_string(i + 1) + " at " + t + n.name + " images at " + TimeText());
          ConversionStage = 13;
          if (window_.Closing()) return;
          const long long previous = ShiftImageHistory(t + n.name);
          window_.ProcessMessages();
          if (!DeletePreviousIfBroken(n, t, previous)) throw ImageError(LastFileError());
        }
        if (isLocal) {
          if (window_.Closing()) return;
          ConversionStage = 14;
          SaveUnderlay(dest, n, t, record);
        }
        ConversionStage = 15;
        if (window_.ClientMode()) continue;
        if (!isLocal && !window_.PMapUnderlayPath().empty()) {
          window_.SetPanel(0, "Copying files to " + t);
          window_.SetFileText("Copying " + n.boundsName + " to" + t + " at " + TimeText());
          if (Pump()) return;
          window_.SetFileText("Copying " + n.imageName + " to " + t);
          window_.ProcessMessages();
          Forward(n, n.imageName, t);
          window_.ProcessMessages();
          Forward(n, n.worldName, t);
          window_.ProcessMessages();
        }
      }

      dest.Empty();
      ShowSummary(n, targets.size());
      if (Pump()) return;
      if (window_.RedrawWanted() && SameText(n.name, window_.UnderlayName())) {
        ConversionStage = 16;
        window_.SetFileText("Redrawing UiView map with " + window_.UnderlayName() + " underlay at " + TimeText());
        window_.RedrawMap();
        window_.ProcessMessages();
      }
      record.Status = "OK";
      result = true;
      ShowElapsed();
    }();
  } catch (const std::exception& e) {
    result = false;
    ReportFailure(PngStageMessage(ConversionStage), e.what(), n, record);
  }

  // Each release is guarded by itself, and a failed one fails the result.
  if (pictureLoaded && !Release("Error freeing Png ", n, record, [&] { picture.Empty(); })) result = false;
  if (dest.Width() > 0 && !Release("Error freeing DestBmp ", n, record, [&] { dest.Empty(); })) result = false;
  if (work.Width() > 0 && !Release("Error freeing MyBmp ", n, record, [&] { work.Empty(); })) result = false;
  return result;
}

}  // namespace ombrix
