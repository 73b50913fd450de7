// TRadarObj: one download record, the image source a user chose and what is
// derived from it (names and URLs), plus the state the passes keep for it.
#pragma once
#include <string>

#include "app/ServerSettings.h"
#include "util/DateTime.h"

namespace ombrix {

class TRadarObj {
 public:
  TRadarObj();

  std::string Description;  // "ST,Place,CODE" or a "!!" composite entry
  std::string Product;      // record form "Product name, CODE", or ", "
  std::string ImageUrl;
  std::string WorldUrl;
  std::string BaseName;     // remote image name without extension
  std::string SiteName;
  std::string WorldText;    // "left,top,right,bottom" or empty
  std::string LegendFile;
  std::string BmpFile;
  TDateTime NextAttempt;    // all four UTC
  TDateTime LastImage;
  TDateTime PreviousImage;
  TDateTime LastAttempt;
  std::string Status;
  bool Accumulate = false;
  bool Enabled = true;
  int DownloadErrors = 0;
  int ConvertErrors = 0;
  // The geo-reference is kept in 32-bit reals, as the bounds files print it.
  float CellSizeX = 0;
  float CellSizeY = 0;
  float WorldTop = 0;
  float WorldLeft = 0;
  float WorldBottom = 0;
  float WorldRight = 0;

  // Sets Description and Product and every name and URL derived from them
  // with the given server addresses; Status becomes "New record".
  void InitFromSelection(const std::string& description, const std::string& product, const ServerSettings& servers);
  // Reads a world file (six numbers, possibly wrapped in HTML markup) into
  // the geo-reference. Reports nothing: a missing or malformed file leaves the
  // fields as they were, or partly updated up to the bad number. A number
  // that is not a finite 32-bit float counts as malformed.
  void LoadWorldFile(const std::string& path);
  // Right and bottom edges from the image size; clears WorldText when any
  // input is 0 or an edge falls outside a 32-bit float (no usable
  // geo-reference).
  void ComputeBounds(int width, int height);
  void Assign(const TRadarObj& other) { *this = other; }
};

// The site code of a site entry: its last non-empty comma field.
std::string SiteCode(const std::string& description);

// "left,top,right,bottom" of 32-bit values widened and printed with up to 15
// significant digits and the locale's decimal separator.
std::string FormatWorldText(float left, float top, float right, float bottom);

}  // namespace ombrix
