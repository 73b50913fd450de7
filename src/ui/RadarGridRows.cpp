#include "ui/RadarGridRows.h"

#include "util/StrUtil.h"

namespace ombrix {

namespace {

const char* const kHeaders[kRadarGridColumns] = {"Radar",        "Product", "Last Image", "Status", "Last attempt",
                                                 "Next attempt", "Accum",   "Enable",     "Errors"};

// Local time of a UTC value, or "" when the value is a week or more old.
std::string Recent(DateTimePattern pattern, TDateTime utcValue, TDateTime localNow, double localOffset) {
  if (utcValue <= localNow - 7) return "";
  return FormatDateTime(pattern, utcValue + localOffset);
}

}  // namespace

std::string GridProductText(const TRadarObj& record) {
  if (!StartsWith(record.Description, "!!")) return record.Product;
  std::string rest = record.Description.substr(2);
  return Trim(rest.substr(0, rest.find(',')));
}

std::string ErrorsHintText(const std::string& cell) {
  const size_t comma = cell.find(',');
  const std::string first = cell.substr(0, comma);
  const std::string second = comma == std::string::npos ? "" : cell.substr(comma + 1);
  return "Errors : Access=" + std::to_string(StrToIntDef(Trim(first), 0)) +
         ",Conversion=" + std::to_string(StrToIntDef(Trim(second.substr(0, second.find(','))), 0));
}

void FillRadarGrid(StringGrid& grid, const TRadarList& list, TDateTime localNow, TDateTime utcNow) {
  const double localOffset = localNow - utcNow;
  grid.Resize(list.Empty() ? 2 : list.Count() + 1, kRadarGridColumns);
  for (int c = 0; c < kRadarGridColumns; ++c) {
    grid.Cell(c, 0) = kHeaders[c];
    grid.Cell(c, 1).clear();
  }
  for (int i = 0; i < list.Count(); ++i) {
    const TRadarObj& r = list.Objects(i);
    const int row = i + 1;
    grid.Cell(0, row) = r.Description;
    grid.Cell(1, row) = GridProductText(r);
    grid.Cell(2, row) = Recent(DateTimePattern::MonthDayHourMinute, r.LastImage, localNow, localOffset);
    grid.Cell(3, row) = r.Status;
    grid.Cell(4, row) = Recent(DateTimePattern::Time, r.LastAttempt, localNow, localOffset);
    grid.Cell(5, row) = Recent(DateTimePattern::Time, r.NextAttempt, localNow, localOffset);
    grid.Cell(6, row) = r.Accumulate ? "Yes" : "No";
    grid.Cell(7, row) = r.Enabled ? "Yes" : "No";
    grid.Cell(8, row) = std::to_string(r.DownloadErrors) + "," + std::to_string(r.ConvertErrors);
  }
  if (grid.row >= grid.rowCount) grid.row = grid.rowCount - 1;
}

}  // namespace ombrix
