// The two underlay conversions: a RIDGE GIF or a mesonet PNG becomes the
// captioned 8-bit bitmap underlay with its bounds file in the local
// PMapServer folder (shifting the image history first when the record
// accumulates), the raw files go on to the LAN targets in Server mode, and
// UI-View32 redraws when the new underlay is the one it shows.
#pragma once
#include <functional>
#include <string>

#include "imaging/ConversionWindow.h"
#include "imaging/WorkObjects.h"
#include "records/RadarObj.h"

namespace ombrix {

// The shared imaging objects the main window owns; a conversion fills and
// empties them within one call.
struct ConversionObjects {
  TGifImage& WorkGif1;   // radar image
  TGifImage& WorkGif2;   // legend
  TPicture& WorkPicture;  // the composite PNG
  TBitmap8& WorkBitmap;  // halftone, white brush, black transparent
  TBitmap8& TextBitmap;  // halftone, white brush, Arial 10 black
};

// The bounds file beside an underlay: its name up to and including the
// first "." + "Sat" (LOT_N0R_0.bmp gives LOT_N0R_0.Sat).
std::string BoundsFileName(const std::string& underlayName);

class UnderlayConverter {
 public:
  UnderlayConverter(ConversionWindow& window, ConversionObjects objects) : window_(window), objects_(objects) {}

  // path: source folder + BmpFile. True when the underlay was produced and
  // every step ran to the end; false on a reported failure, a rejected
  // image, or when Closing cut it short. record.Status tells which.
  bool ConvertGifUnderlay(const std::string& path, TRadarObj& record);
  bool ConvertPngUnderlay(const std::string& path, TRadarObj& record);

  // The step in progress; it selects the error message.
  int ConversionStage = 0;

 private:
  // The file names one conversion works with.
  struct Names {
    std::string source;      // folder of the inputs, with trailing delimiter
    std::string name;        // the underlay's file name (BmpFile)
    std::string base;        // name up to its first "."
    std::string boundsName;  // the bounds file's name
    std::string imageName;   // BaseName + ".gif" or ".png"
    std::string worldName;   // BaseName + ".gfw" or ".wld"
  };
  Names NamesFor(const std::string& path, const TRadarObj& record, const char* imageExt, const char* worldExt) const;
  void Start(const std::string& path);
  bool InputsMissing(const Names& n, TRadarObj& record);
  bool TooSmallFile(const Names& n, long long minimum, TRadarObj& record);
  std::string Caption(const Names& n, const TRadarObj& record) const;
  bool Pump();  // processes pending messages; true when Closing is set
  static std::string TimeText();  // local now as "hh:nn:ss"
  // Reports an old underlay of 0 to 2999 bytes and deletes it; false when
  // the deletion failed.
  bool DeletePreviousIfBroken(const Names& n, const std::string& target, long long size);
  void SaveUnderlay(const TBitmap8& bitmap, const Names& n, const std::string& target, const TRadarObj& record);
  void Forward(const Names& n, const std::string& file, const std::string& target);
  void ShowSummary(const Names& n, size_t targets);
  void ShowElapsed();
  void ReportFailure(const char* message, const std::string& what, const Names& n, TRadarObj& record);
  // Empties a work object; a failure goes to Status ("<what><image> <reason>")
  // and the log, and gives false.
  static bool Release(const char* what, const Names& n, TRadarObj& record, const std::function<void()>& empty);

  double start_ = 0;  // local time the conversion started
  ConversionWindow& window_;
  ConversionObjects objects_;
};

}  // namespace ombrix
