#include "records/RadarObj.h"

#include <vector>

#include "util/Clock.h"
#include "util/DateTime.h"
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

std::string SiteCode(const std::string& description) {
  // The last field, as "NJ/Philadelphia, PA,Fort Dix,DIX" has a comma inside
  // its place name; empty fields after it ("IL,Chicago,LOT,") do not count.
  size_t end = description.find_last_not_of(',');
  if (description.size() <= 1 || end == std::string::npos) return {};
  size_t comma = description.rfind(',', end);
  size_t start = comma == std::string::npos ? 0 : comma + 1;
  return description.substr(start, end + 1 - start);
}

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
    SiteName = SiteCode(d);
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
  // Strip markup a server may wrap around the numbers: a line with a "<"
  // keeps what follows its last ">". One pass over the text, whatever an
  // error page served in its place looks like.
  std::vector<std::string> lines;
  for (std::string& line : SplitTextLines(content)) {
    if (line.find('<') != std::string::npos) {
      size_t gt = line.rfind('>');
      if (gt != std::string::npos) line = Trim(std::string_view(line).substr(gt + 1));
      if (line.empty()) continue;
    }
    lines.push_back(std::move(line));
    if (lines.size() > 6) return;
  }
  if (lines.size() != 6) return;
  // Line 5 left, 6 top, 1 cell width, 4 cell height; a 0 keeps the old value
  // and a bad number stops here with what was read so far.
  struct Slot {
    size_t line;
    float* field;
  } const order[] = {{4, &WorldLeft}, {5, &WorldTop}, {0, &CellSizeX}, {3, &CellSizeY}};
  for (const Slot& slot : order) {
    std::optional<float> v = ParseSingle(lines[slot.line]);
    if (!v) return;
    if (*v != 0) *slot.field = *v;
  }
  // The world file names the centre of the top-left pixel; keep the corner.
  const double left = static_cast<double>(WorldLeft) - static_cast<double>(CellSizeX) / 2;
  const double top = static_cast<double>(WorldTop) - static_cast<double>(CellSizeY) / 2;
  if (!FitsSingle(left) || !FitsSingle(top)) return;  // no corner a bounds file could carry
  WorldLeft = static_cast<float>(left);
  WorldTop = static_cast<float>(top);
  WorldText = FormatWorldText(WorldLeft, WorldTop, WorldRight, WorldBottom);
}

void TRadarObj::ComputeBounds(int width, int height) {
  if (WorldLeft == 0 || CellSizeX == 0 || width == 0 || height == 0) {
    WorldText.clear();
    return;
  }
  const double right = width * static_cast<double>(CellSizeX) + WorldLeft;
  const double bottom = height * static_cast<double>(CellSizeY) + WorldTop;
  if (!FitsSingle(right) || !FitsSingle(bottom)) {  // too far out to be a place on the map
    WorldText.clear();
    return;
  }
  WorldRight = static_cast<float>(right);
  WorldBottom = static_cast<float>(bottom);
  WorldText = FormatWorldText(WorldLeft, WorldTop, WorldRight, WorldBottom);
}

}  // namespace ombrix
