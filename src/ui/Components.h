// Plain component objects of the main window. Handlers change them; the
// Win32 shell mirrors them into the real controls, and tests read them.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace ombrix {

// Colours as 0x00BBGGRR, the layout Windows' COLORREF uses.
using TColor = std::uint32_t;
constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clGreen = 0x008000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clNavy = 0x800000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clBtnFace = 0xC0C0C0;

struct Label {
  std::string caption;
  TColor colour = clBlack;
  std::string hint;
  bool visible = true;
};

struct Button {
  std::string caption;
  std::string hint;
  bool enabled = true;
  bool visible = true;
};

struct CheckBox {
  std::string caption;
  std::string hint;
  bool checked = false;
  bool enabled = true;
};

struct ComboBox {
  std::vector<std::string> items;
  std::string text;
  int itemIndex = -1;
  bool sorted = false;
  std::string hint;
};

struct RadioGroup {
  std::string caption;
  std::vector<std::string> items;
  int itemIndex = -1;
  std::string hint;
};

struct StatusBar {
  std::vector<std::string> panels;
};

struct Shape {
  TColor brushColour = clLime;
};

struct MenuItem {
  std::string caption;
  bool checked = false;
  bool enabled = true;
  bool visible = true;
};

struct StringGrid {
  int colCount = 0;
  int rowCount = 0;
  int fixedRows = 1;
  int row = 1;
  int col = 0;
  std::vector<std::vector<std::string>> cells;  // [row][col]
  std::string hint;
  bool enabled = true;

  void Resize(int rows, int cols) {
    rowCount = rows;
    colCount = cols;
    cells.resize(static_cast<size_t>(rows));
    for (auto& r : cells) r.resize(static_cast<size_t>(cols));
  }
  std::string& Cell(int c, int r) { return cells.at(static_cast<size_t>(r)).at(static_cast<size_t>(c)); }
};

// Position and size of a window, and its caption.
struct FormState {
  std::string caption;
  int left = 0, top = 0, width = 594, height = 395;
  bool visible = false;
  bool minimized = false;  // shown as an icon (or only in the tray)
};

}  // namespace ombrix
