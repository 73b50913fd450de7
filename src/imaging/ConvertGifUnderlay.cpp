// RIDGE GIF conversion: the radar image with a caption band at the top and
// the bottom and, when asked, a strip of the legend.
#include <exception>

#include "app/ErrorLog.h"
#include "imaging/ImageHistory.h"
#include "imaging/UnderlayConverter.h"
#include "util/FileUtil.h"
#include "util/StrUtil.h"

namespace ombrix {

namespace {

const char* GifStageMessage(int stage) {
  switch (stage) {
    case 0: return "Error preparing";
    case 2: return "Error loading gif";
    case 3: return "Error gif too small";
    case 4: return "Error preparing gif";
    case 5: return "Error creating legend gif";
    case 6: return "Error freeing legend gif";
    case 7: return "Error transferring files";
    case 8: return "Error tranferring files";
    case 9: return "Error accumulating files";
    case 10: return "Error saving bmp";
    case 11: return "Error copying files";
    case 12: return "Error redrawing Map";
    default: return "Error unknown";
  }
}

}  // namespace

bool UnderlayConverter::ConvertGifUnderlay(const std::string& path, TRadarObj& record) {
  Start(path);
  const Names n = NamesFor(path, record, ".gif", ".gfw");
  if (InputsMissing(n, record) || TooSmallFile(n, 1000, record)) return false;
  window_.SetFileText("Converting " + n.imageName + " " + TimeText());
  window_.SetPanel(0, window_.FileText());
  if (Pump()) return false;

  bool result = false, radarLoaded = false, legendLoaded = false;
  TGifImage& radar = objects_.WorkGif1;
  TGifImage& legend = objects_.WorkGif2;
  try {
    [&] {
      const std::string caption = Caption(n, record);
      ConversionStage = 2;
      radarLoaded = true;
      radar.LoadFromFile(n.source + n.imageName);

      ConversionStage = 3;
      const int w = radar.Width(), h = radar.Height();
      if (w < 100 || h < 100) {
        window_.SetFileText(n.imageName + "," + std::to_string(w) + " w by " + std::to_string(h) +
                            " h.  File not saved");
        LogError(window_.FileText());
        record.Status = window_.FileText();
        return;
      }

      ConversionStage = 4;
      record.ComputeBounds(w, h);
      TBitmap8& bmp = radar.Bitmap();
      bmp.BrushColor = Rgb::FromColorRef(0xFFFFFF);
      bmp.Font = TextFont{"Arial", 8, Rgb::FromColorRef(0)};
      const int x = bmp.Width() / 2 - bmp.TextWidth(caption) / 2;
      bmp.FillRect({30, 0, w - 30, 15});
      bmp.TextOut(x, 2, caption);
      const int bh = bmp.Height();
      bmp.FillRect({30, bh - 12, w - 30, bh});
      bmp.TextOut(x, bh - 12, caption);
      if (Pump()) return;

      ConversionStage = 5;
      const bool legendWanted = window_.LegendChecked() && !record.LegendFile.empty() &&
                                FileExists(n.source + record.LegendFile);
      if (legendWanted) {
        legendLoaded = true;
        legend.LoadFromFile(n.source + record.LegendFile);
        const Rect strip{legend.Width() - 45, 200, legend.Width(), legend.Height()};
        bmp.CopyRect(strip, legend.Bitmap(), strip);
      }
      ConversionStage = 6;
      legend.Empty();
      legendLoaded = false;

      ConversionStage = 7;
      const std::vector<std::string> targets = window_.Targets();
      const std::string local = UpperCase(window_.PMapUnderlayPath());
      for (size_t i = 0; i < targets.size(); ++i) {
        const std::string& t = targets[i];
        if (Pump()) return;
        ConversionStage = 8;
        window_.SetPanel(0, "Transferring " + n.name + " to " + t);
        if (!DirectoryExists(t)) continue;
        window_.ProcessMessages();
        const bool isLocal = UpperCase(t) == local;
        if (isLocal && record.Accumulate) {
          window_.SetPanel(0, "Accumulating " + n.name + " to " + t);
          window_.SetFileText("Renaming " + std::to_string(i + 1) + " at " + t + n.name + " images at " + TimeText());
          ConversionStage = 9;
          if (Pump()) return;
          const long long previous = ShiftImageHistory(t + n.name);
          if (Pump()) return;
          if (!DeletePreviousIfBroken(n, t, previous)) {
            record.Status = "Error deleting empty " + n.name + t;
            LogError(record.Status);
          }
        }
        if (isLocal) {
          if (Pump()) return;
          ConversionStage = 10;
          SaveUnderlay(bmp, n, t, record);
        }
        window_.SetPanel(0, "Copying files to " + t);
        window_.ProcessMessages();
        window_.SetFileText("Copying " + n.boundsName + " to" + t + " at " + TimeText());
        if (Pump()) return;
        ConversionStage = 11;
        if (Pump()) return;
        // A client whose underlay folder is t converts the raw files itself.
        if (!window_.ClientMode() && !isLocal && !window_.PMapUnderlayPath().empty()) {
          window_.SetFileText("Copying " + n.imageName + " to " + t);
          window_.ProcessMessages();
          Forward(n, n.imageName, t);
          window_.ProcessMessages();
          Forward(n, n.worldName, t);
          if (window_.LegendChecked() && !record.LegendFile.empty() && FileExists(n.source + record.LegendFile))
            Forward(n, record.LegendFile, t);
          window_.ProcessMessages();
        }
      }

      ShowSummary(n, targets.size());
      if (Pump()) return;
      if (window_.RedrawWanted() && SameText(n.name, window_.UnderlayName())) {
        ConversionStage = 12;
        window_.SetFileText("Redrawing UiView map with " + window_.UnderlayName() + " underlay at " + TimeText());
        window_.ProcessMessages();
        window_.RedrawMap();
      }
      record.Status = "OK";
      result = true;
      ShowElapsed();
    }();
  } catch (const std::exception& e) {
    result = false;
    ReportFailure(GifStageMessage(ConversionStage), e.what(), n, record);
  }

  // Failures here are reported but leave the result as it is.
  if (radarLoaded) Release("Error freeing Gif ", n, record, [&] { radar.Empty(); });
  if (legendLoaded) Release("Error freeing legend Gif ", n, record, [&] { legend.Empty(); });
  return result;
}

}  // namespace ombrix
