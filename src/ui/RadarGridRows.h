// What the grid of download records shows: its rows from the records, and
// the hint box text and place for a cell under the mouse.
#pragma once
#include <string>

#include "records/RadarList.h"
#include "ui/Components.h"
#include "util/DateTime.h"

namespace ombrix {

constexpr int kRadarGridColumns = 9;
constexpr int kRadarGridErrorsColumn = 8;

// Rewrites every cell: the header row, then one row per record in list
// order (one blank row for an empty list). Times are shown in local time;
// a time 7 days or more before localNow is left blank.
void FillRadarGrid(StringGrid& grid, const TRadarList& list, TDateTime localNow, TDateTime utcNow);

// The grid's column 1 for a record: the composite's name for a "!!" entry
// ("!!ConUS,Iowa State University" gives "ConUS"), else the product.
std::string GridProductText(const TRadarObj& record);

// The text of the "Errors" cell spelled out: "2,5" gives
// "Errors : Access=2,Conversion=5" (a field that is no number counts 0).
std::string ErrorsHintText(const std::string& cell);

// Where a hint box over a grid cell goes, in the grid's panel coordinates.
struct GridHintInput {
  int col;
  std::string cellText;
  int cellLeft, cellRight, cellTop;  // cell rectangle in grid coordinates
  int gridLeft, gridWidth;           // the grid in its panel
};
struct GridHint {
  std::string text;
  int x, y;  // centre of the box's top text line, as DrawHintBox takes it
};
// measure gives a text's width in the grid's font.
template <class Measure>
GridHint PlaceGridHint(const GridHintInput& in, Measure measure) {
  GridHint hint{in.cellText, 0, in.cellTop - 15};
  int width = measure(hint.text);
  if (in.col == kRadarGridErrorsColumn) {
    hint.text = ErrorsHintText(in.cellText);
    width = measure(hint.text);
  }
  int x = in.cellLeft;
  if (x < in.gridLeft) x = in.gridLeft + width / 2;
  else if (in.gridWidth < in.cellRight) x = in.gridLeft + in.gridWidth - 2 * width;
  else if (in.col == kRadarGridErrorsColumn) x -= width / 2;
  hint.x = x;
  return hint;
}

// The box DrawHintBox draws around a text of size w x h centred at x,
// below y (integer halves rounded toward zero).
struct HintBoxRect {
  int left, top, right, bottom;
};
inline HintBoxRect HintBoxAt(int x, int y, int w, int h) {
  const int left = x - w / 2 - 4;
  const int top = y + h + 4;
  return {left, top, left + w + 4, top + h};
}

}  // namespace ombrix
