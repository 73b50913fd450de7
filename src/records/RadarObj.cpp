#include "records/RadarObj.h"

#include <vector>

#include "util/Clock.h"
#include "util/FileUtil.h"
#include "util/StrUtil.h"
#include "util/TextLines.h"

namespace ombrix {

TRadarObj::TRadarObj()
    : NextAttempt(LocalNow() - 1), LastImage(UtcNow() - 100), PreviousImage(LastImage), LastAttempt(LocalNow() - 1) {}

std::string FormatWorldText(float left, float top, float right, float bottom) {
  return FormatFloatGeneral(left) + "," + FormatFloatGeneral(top) + "," + FormatFloatGeneral(right) + "," +
         FormatFloatGeneral(bottom);
}

static std::string UpTo(const std::string& text, char c) { return text.substr(0, text.find(c)); }

void TRadarObj::InitFromSelection(const std::string& d, const std::string& p, const ServerSettings& s) {
  Description = d;
  Product = p;
  std::string upper = UpperCase(d);
  if (StartsWith(upper, "!!CONUS")) {
    SiteName = "ConUs";
    BmpFile = "ConUs.bmp";
    BaseName = UpTo(s.ConUsImageName, '.');
    ImageUrl = s.IowaBaseUrl + s.ConUsImageName;
    WorldUrl = s.IowaBaseUrl + s.ConUsWorldName;
  } else if (StartsWith(upper, "!!USRAD")) {
    SiteName = "USRad";
    BmpFile = "USRad.bmp";
    BaseName = UpTo(s.UsRadImageName, '.');
    ImageUrl = s.TamuBaseUrl + s.UsRadImageName;
    WorldUrl = s.TamuBaseUrl + s.UsRadWorldName;
    LegendFile.clear();
  } else if (StartsWith(d, "!!")) {
    std::string rest = d.substr(2);
    SiteName = GetField(rest, 1, ',');
    BmpFile = SiteName + ".bmp";
    BaseName = StartsWith(rest, "Nat") ? "latest_radaronly" : SiteName;
    ImageUrl = s.RidgeNatBaseUrl + BaseName + ".gif";
    WorldUrl = s.RidgeNatBaseUrl + BaseName + ".gfw";
    LegendFile.clear();
  } else {
    // The site code is the last field: "NJ/Philadelphia, PA,Fort Dix,DIX"
    // has a comma inside its place name.
    int fields = CountFields(d, ',');
    SiteName = GetField(d, fields > 0 ? fields : 1, ',');
    std::string code = Trim(GetField(p, 2, ','));
    BaseName = SiteName + "_" + code + "_0";
    BmpFile = BaseName + ".bmp";
    ImageUrl = s.RidgeBaseUrl + code + "/" + BaseName + ".gif";
    WorldUrl = s.RidgeBaseUrl + code + "/" + BaseName + ".gfw";
    LegendFile = BaseName + ".gif";
    size_t at = LegendFile.find("_0");
    if (at != std::string::npos) LegendFile.insert(at, "_Legend");
  }
  Status = "New record";
}

void TRadarObj::LoadWorldFile(const std::string& path) {
  std::string content;
  if (!FileExists(path) || !ReadWholeFile(path, content)) return;
  std::vector<std::string> lines = SplitTextLines(content);
  // Strip markup a server may wrap around the numbers, last line first.
  for (size_t i = lines.size(); i-- > 0;) {
    std::string& line = lines[i];
    if (line.find('<') == std::string::npos) continue;
    for (size_t gt; (gt = line.find('>')) != std::string::npos;) line = Trim(line.substr(gt + 1));
    if (line.empty()) lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i));
  }
  if (lines.size() != 6) return;
  // Line 5 left, 6 top, 1 cell width, 4 cell height; a 0 keeps the old value
  // and a bad number stops here with what was read so far.
  struct Slot {
    size_t line;
    float* field;
  } const order[] = {{4, &WorldLeft}, {5, &WorldTop}, {0, &CellSizeX}, {3, &CellSizeY}};
  for (const Slot& slot : order) {
    std::optional<double> v = ParseFloat(lines[slot.line]);
    if (!v) return;
    if (*v != 0) *slot.field = static_cast<float>(*v);
  }
  // The world file names the centre of the top-left pixel; keep the corner.
  WorldLeft = static_cast<float>(static_cast<double>(WorldLeft) - static_cast<double>(CellSizeX) / 2);
  WorldTop = static_cast<float>(static_cast<double>(WorldTop) - static_cast<double>(CellSizeY) / 2);
  WorldText = FormatWorldText(WorldLeft, WorldTop, WorldRight, WorldBottom);
}

void TRadarObj::ComputeBounds(int width, int height) {
  if (WorldLeft == 0 || CellSizeX == 0 || width == 0 || height == 0) {
    WorldText.clear();
    return;
  }
  WorldRight = static_cast<float>(width * static_cast<double>(CellSizeX) + WorldLeft);
  WorldBottom = static_cast<float>(height * static_cast<double>(CellSizeY) + WorldTop);
  WorldText = FormatWorldText(WorldLeft, WorldTop, WorldRight, WorldBottom);
}

}  // namespace ombrix
