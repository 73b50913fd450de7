#include "ui/win32/ShellControls.h"

#include <commctrl.h>

#include "ui/RadarGridRows.h"
#include "ui/win32/MainWindow.h"
#include "util/win32/UniqueHandle.h"

namespace ombrix {

namespace {

std::string WindowText(HWND hwnd) {
  int n = GetWindowTextLengthA(hwnd);
  std::string text(static_cast<size_t>(n) + 1, '\0');
  n = GetWindowTextA(hwnd, text.data(), n + 1);
  text.resize(static_cast<size_t>(n > 0 ? n : 0));
  return text;
}

// Pixels of the grid's columns, in order; further columns get the last.
constexpr int kGridColumnWidths[] = {100, 107, 62, 36, 63, 63, 36, 38, 30};
constexpr int kGridRowHeight = 18;
constexpr int kComboEditHeight = 21;
constexpr int kComboRowHeight = 13;
constexpr int kLabelHeight = 13;

}  // namespace

// ---------------------------------------------------------------- common

void ShellControl::ApplyText(HWND hwnd, const std::string& text, std::optional<std::string>& shown) {
  if (shown == text) return;
  SetWindowTextA(hwnd, text.c_str());
  shown = text;
}

void ShellControl::ApplyHint(const std::string& hint, std::optional<std::string>& shown, HWND extra) {
  if (shown == hint) return;
  window_.SetHint(hwnd_, hint);
  if (extra) window_.SetHint(extra, hint);
  shown = hint;
}

void ShellControl::ApplyEnabled(bool enabled, std::optional<bool>& shown) {
  if (shown == enabled) return;
  EnableWindow(hwnd_, enabled);
  shown = enabled;
}

void ShellControl::ApplyVisible(bool visible, std::optional<bool>& shown) {
  if (shown == visible) return;
  ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
  shown = visible;
}

// ---------------------------------------------------------------- label

LabelControl::LabelControl(MainWindow& window, Label& label, Place at)
    : ShellControl(window), label_(label), at_(at) {
  hwnd_ = window_.CreateChild("STATIC", "", SS_LEFT | SS_NOPREFIX | SS_NOTIFY,
                              {at.left, at.top, at.left + (at.width ? at.width : 1), at.top + kLabelHeight});
  window_.Register(this, hwnd_);
}

void LabelControl::Refresh() {
  if (caption_ != label_.caption) {
    SetWindowTextA(hwnd_, label_.caption.c_str());
    caption_ = label_.caption;
    if (at_.width == 0) {  // sized to its caption, as the form lays it out
      HDC dc = GetDC(hwnd_);
      HGDIOBJ old = SelectObject(dc, window_.Font());
      SIZE size{};
      GetTextExtentPoint32A(dc, label_.caption.c_str(), static_cast<int>(label_.caption.size()), &size);
      SelectObject(dc, old);
      ReleaseDC(hwnd_, dc);
      SetWindowPos(hwnd_, nullptr, 0, 0, size.cx > 0 ? size.cx : 1, kLabelHeight,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    InvalidateRect(hwnd_, nullptr, TRUE);
  }
  if (colour_ != label_.colour) {
    colour_ = label_.colour;
    InvalidateRect(hwnd_, nullptr, TRUE);
  }
  ApplyHint(label_.hint, hint_);
  ApplyVisible(label_.visible, visible_);
}

HBRUSH LabelControl::Colour(HDC dc) {
  SetTextColor(dc, label_.colour);
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  return GetSysColorBrush(COLOR_BTNFACE);
}

// ---------------------------------------------------------------- button

ButtonControl::ButtonControl(MainWindow& window, Button& button, Place at, FormHandler onClick)
    : ShellControl(window), button_(button), onClick_(onClick) {
  hwnd_ = window_.CreateChild("BUTTON", "", BS_PUSHBUTTON | WS_TABSTOP,
                              {at.left, at.top, at.left + at.width, at.top + at.height});
  window_.Register(this, hwnd_);
}

void ButtonControl::Refresh() {
  ApplyText(hwnd_, button_.caption, caption_);
  ApplyHint(button_.hint, hint_);
  ApplyEnabled(button_.enabled, enabled_);
  ApplyVisible(button_.visible, visible_);
}

bool ButtonControl::Command(HWND, WORD code) {
  if (code != BN_CLICKED) return false;
  if (onClick_) window_.Route([this] { (window_.Form().*onClick_)(); });
  return true;
}

// ---------------------------------------------------------------- check box

CheckBoxControl::CheckBoxControl(MainWindow& window, CheckBox& box, Place at, FormHandler onClick)
    : ShellControl(window), box_(box), onClick_(onClick) {
  // A plain check box: the component holds the state, the click flips it.
  hwnd_ = window_.CreateChild("BUTTON", "", BS_CHECKBOX | WS_TABSTOP,
                              {at.left, at.top, at.left + at.width, at.top + at.height});
  window_.Register(this, hwnd_);
}

void CheckBoxControl::Refresh() {
  ApplyText(hwnd_, box_.caption, caption_);
  ApplyHint(box_.hint, hint_);
  ApplyEnabled(box_.enabled, enabled_);
  if (checked_ != box_.checked) {
    SendMessageA(hwnd_, BM_SETCHECK, box_.checked ? BST_CHECKED : BST_UNCHECKED, 0);
    checked_ = box_.checked;
  }
}

bool CheckBoxControl::Command(HWND, WORD code) {
  if (code != BN_CLICKED) return false;
  window_.Route([this] {
    box_.checked = !box_.checked;
    if (onClick_) (window_.Form().*onClick_)();
  });
  return true;
}

// ---------------------------------------------------------------- radio group

RadioGroupControl::RadioGroupControl(MainWindow& window, RadioGroup& group, Place at, FormHandler onClick)
    : ShellControl(window), group_(group), at_(at), onClick_(onClick) {
  hwnd_ = window_.CreateChild("BUTTON", "", BS_GROUPBOX,
                              {at.left, at.top, at.left + at.width, at.top + at.height});
  window_.Register(this, hwnd_);
}

HWND RadioGroupControl::Window(int part) const {
  if (part == 0) return hwnd_;
  size_t i = static_cast<size_t>(part - 1);
  return part > 0 && i < buttons_.size() ? buttons_[i] : nullptr;
}

void RadioGroupControl::CreateButtons() {
  for (HWND b : buttons_) DestroyWindow(b);
  buttons_.clear();
  // The items share the height below the group's caption evenly.
  const int top = at_.top + 14;
  const int n = static_cast<int>(group_.items.size());
  const int step = n > 0 ? (at_.height - 16) / n : 0;
  for (int i = 0; i < n; ++i) {
    HWND b = window_.CreateChild("BUTTON", group_.items[static_cast<size_t>(i)].c_str(),
                                 BS_RADIOBUTTON | (i == 0 ? WS_GROUP | WS_TABSTOP : 0),
                                 {at_.left + 8, top + i * step, at_.left + at_.width - 4, top + i * step + 16});
    window_.Register(this, b);
    buttons_.push_back(b);
  }
  hint_.reset();
  index_.reset();
}

void RadioGroupControl::Refresh() {
  ApplyText(hwnd_, group_.caption, caption_);
  if (items_ != group_.items) {
    items_ = group_.items;
    CreateButtons();
  }
  if (hint_ != group_.hint) {
    window_.SetHint(hwnd_, group_.hint);
    for (HWND b : buttons_) window_.SetHint(b, group_.hint);
    hint_ = group_.hint;
  }
  if (index_ != group_.itemIndex) {
    for (size_t i = 0; i < buttons_.size(); ++i)
      SendMessageA(buttons_[i], BM_SETCHECK,
                   static_cast<int>(i) == group_.itemIndex ? BST_CHECKED : BST_UNCHECKED, 0);
    index_ = group_.itemIndex;
  }
}

bool RadioGroupControl::Command(HWND from, WORD code) {
  if (code != BN_CLICKED) return false;
  for (size_t i = 0; i < buttons_.size(); ++i) {
    if (buttons_[i] != from) continue;
    const int index = static_cast<int>(i);
    if (group_.itemIndex != index) {  // a click on the selected item changes nothing
      window_.Route([this, index] {
        group_.itemIndex = index;
        if (onClick_) (window_.Form().*onClick_)();
      });
    }
    return true;
  }
  return false;
}

// ---------------------------------------------------------------- combo box

ComboBoxControl::ComboBoxControl(MainWindow& window, ComboBox& combo, Place at, int droppedRows)
    : ShellControl(window), combo_(combo) {
  const int height = kComboEditHeight + droppedRows * kComboRowHeight + 2;
  hwnd_ = window_.CreateChild("COMBOBOX", "", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP,
                              {at.left, at.top, at.left + at.width, at.top + height});
  window_.Register(this, hwnd_);
  edit_ = GetWindow(hwnd_, GW_CHILD);  // the edit field, for its hint
}

HWND ComboBoxControl::Window(int part) const { return part == 0 ? hwnd_ : part == 1 ? edit_ : nullptr; }

void ComboBoxControl::Refresh() {
  if (items_ != combo_.items) {
    SendMessageA(hwnd_, CB_RESETCONTENT, 0, 0);
    for (const auto& item : combo_.items) SendMessageA(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    items_ = combo_.items;
    index_.reset();
    text_.reset();
  }
  if (index_ != combo_.itemIndex) {
    SendMessageA(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(combo_.itemIndex), 0);
    index_ = combo_.itemIndex;
    text_.reset();
  }
  ApplyText(hwnd_, combo_.text, text_);
  ApplyHint(combo_.hint, hint_, edit_);
}

bool ComboBoxControl::Command(HWND, WORD code) {
  if (code == CBN_EDITCHANGE) {
    combo_.text = WindowText(hwnd_);
    text_ = combo_.text;
    return true;
  }
  if (code == CBN_SELCHANGE) {
    int index = static_cast<int>(SendMessageA(hwnd_, CB_GETCURSEL, 0, 0));
    combo_.itemIndex = index;
    index_ = index;
    if (index >= 0 && static_cast<size_t>(index) < combo_.items.size()) {
      combo_.text = combo_.items[static_cast<size_t>(index)];
      text_ = combo_.text;  // the edit field follows the choice by itself
    }
    return true;
  }
  return false;
}

// ---------------------------------------------------------------- grid

GridControl::GridControl(MainWindow& window, StringGrid& grid, Place at)
    : ShellControl(window), grid_(grid), at_(at) {
  hwnd_ = window_.CreateChild(WC_LISTVIEWA, "",
                              LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER | WS_TABSTOP,
                              {at.left, at.top, at.left + at.width, at.top + at.height}, WS_EX_CLIENTEDGE);
  window_.Register(this, hwnd_);
  SendMessageA(hwnd_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  // A list view takes its row height from its small-image list.
  HIMAGELIST rows = ImageList_Create(1, kGridRowHeight, ILC_COLOR, 0, 1);
  SendMessageA(hwnd_, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(rows));
  // The grid hears the mouse moving over its cells for the hint box.
  SetPropA(hwnd_, "OmbrixGrid", this);
  listProc_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&GridControl::SubclassProc)));
}

GridControl::~GridControl() {
  if (IsWindow(hwnd_)) {
    SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(listProc_));
    RemovePropA(hwnd_, "OmbrixGrid");
  }
}

LRESULT CALLBACK GridControl::SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* self = static_cast<GridControl*>(GetPropA(hwnd, "OmbrixGrid"));
  if (!self) return DefWindowProcA(hwnd, msg, wParam, lParam);
  if (msg == WM_MOUSEMOVE) {
    TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd, 0};
    TrackMouseEvent(&track);
    self->MouseMove(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
  } else if (msg == WM_MOUSELEAVE) {
    self->ClearHint();
  } else if (msg == WM_NCDESTROY) {
    WNDPROC proc = self->listProc_;
    SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc));
    RemovePropA(hwnd, "OmbrixGrid");
    return CallWindowProcA(proc, hwnd, msg, wParam, lParam);
  }
  return CallWindowProcA(self->listProc_, hwnd, msg, wParam, lParam);
}

void GridControl::ClearHint() {
  if (window_.Form().RidgePnlMouseMove()) InvalidateRect(hwnd_, nullptr, TRUE);
  hintText_.clear();
  hintRow_ = hintCol_ = -1;
}

void GridControl::MouseMove(int x, int y) {
  LVHITTESTINFO hit{};
  hit.pt = {x, y};
  SendMessageA(hwnd_, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
  const int fixed = grid_.fixedRows > 0 ? grid_.fixedRows : 0;
  TMain::GridMouseCell cell;
  cell.row = hit.iItem < 0 ? -1 : hit.iItem + fixed;
  cell.col = hit.iSubItem;
  // Moving within one cell keeps its box as it is (no flicker).
  if (window_.Form().HintBoxShown && cell.row == hintRow_ && cell.col == hintCol_) return;
  if (hit.iItem >= 0) {
    // Subitem 0's rectangle is the whole row: its width is the column's.
    RECT r{LVIR_BOUNDS, cell.col, 0, 0};
    SendMessageA(hwnd_, LVM_GETSUBITEMRECT, static_cast<WPARAM>(hit.iItem), reinterpret_cast<LPARAM>(&r));
    if (cell.col == 0) r.right = r.left + static_cast<int>(SendMessageA(hwnd_, LVM_GETCOLUMNWIDTH, 0, 0));
    cell.left = r.left;
    cell.right = r.right;
    cell.top = r.top;
  }
  HDC dc = GetDC(hwnd_);
  HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(hwnd_, WM_GETFONT, 0, 0)));
  auto measure = [dc](const std::string& text) {
    SIZE size{};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return static_cast<int>(size.cx);
  };
  const TMain::GridHintAction action = window_.Form().RadarGridMouseMove(cell, measure);
  SelectObject(dc, oldFont);
  if (action.repaint) {  // erases an earlier box
    InvalidateRect(hwnd_, nullptr, TRUE);
    UpdateWindow(hwnd_);
  }
  hintText_.clear();
  hintRow_ = hintCol_ = -1;
  if (action.draw) {
    DrawHintBox(dc, action.draw->x, action.draw->y, RGB(0, 0, 0), GetSysColor(COLOR_INFOBK), action.draw->text, 8);
    hintText_ = action.draw->text;
    hintRow_ = cell.row;
    hintCol_ = cell.col;
  }
  ReleaseDC(hwnd_, dc);
}

void GridControl::DrawHintBox(HDC dc, int x, int y, COLORREF border, COLORREF background, const std::string& text,
                              int pointSize) {
  const int saved = SaveDC(dc);  // pen, brush, font and modes come back afterwards
  UniqueFont font(CreateFontA(-MulDiv(pointSize, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, FALSE,
                              FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                              DEFAULT_PITCH | FF_SWISS, "Arial"));
  SelectObject(dc, font.Get());
  SetTextAlign(dc, TA_LEFT | TA_TOP);
  SIZE size{};
  GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
  const HintBoxRect box = HintBoxAt(x, y, size.cx, size.cy);
  UniqueBrush brush(CreateSolidBrush(background));
  UniquePen pen(CreatePen(PS_SOLID, 1, border));
  SelectObject(dc, pen.Get());
  if (border == background) {
    SelectObject(dc, GetStockObject(NULL_BRUSH));  // the frame only
  } else {
    SelectObject(dc, brush.Get());
  }
  Rectangle(dc, box.left, box.top, box.right, box.bottom);
  SetBkMode(dc, TRANSPARENT);
  TextOutA(dc, box.left + 2, box.top, text.c_str(), static_cast<int>(text.size()));
  RestoreDC(dc, saved);
}

void GridControl::Refresh() {
  const size_t fixed = grid_.fixedRows > 0 ? static_cast<size_t>(grid_.fixedRows) : 0;
  std::vector<std::string> header;
  if (fixed > 0 && !grid_.cells.empty()) header = grid_.cells[0];
  header.resize(static_cast<size_t>(grid_.colCount > 0 ? grid_.colCount : 0));
  if (header_ != header) {
    while (SendMessageA(hwnd_, LVM_DELETECOLUMN, 0, 0)) {
    }
    for (size_t c = 0; c < header.size(); ++c) {
      LVCOLUMNA column{};
      column.mask = LVCF_TEXT | LVCF_WIDTH;
      column.cx = c < std::size(kGridColumnWidths) ? kGridColumnWidths[c] : kGridColumnWidths[std::size(kGridColumnWidths) - 1];
      column.pszText = const_cast<char*>(header[c].c_str());
      SendMessageA(hwnd_, LVM_INSERTCOLUMNA, c, reinterpret_cast<LPARAM>(&column));
    }
    header_ = header;
    rows_.clear();
    SendMessageA(hwnd_, LVM_DELETEALLITEMS, 0, 0);
  }

  const size_t count = grid_.cells.size() > fixed ? grid_.cells.size() - fixed : 0;
  while (rows_.size() > count) {
    SendMessageA(hwnd_, LVM_DELETEITEM, rows_.size() - 1, 0);
    rows_.pop_back();
  }
  while (rows_.size() < count) {
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(rows_.size());
    item.pszText = const_cast<char*>("");
    SendMessageA(hwnd_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    rows_.emplace_back(header.size());
  }
  for (size_t r = 0; r < count; ++r) {
    const auto& cells = grid_.cells[r + fixed];
    auto& shown = rows_[r];
    for (size_t c = 0; c < header.size(); ++c) {
      const std::string& text = c < cells.size() ? cells[c] : std::string();
      if (c < shown.size() && shown[c] == text) continue;
      LVITEMA item{};
      item.iSubItem = static_cast<int>(c);
      item.pszText = const_cast<char*>(text.c_str());
      SendMessageA(hwnd_, LVM_SETITEMTEXTA, r, reinterpret_cast<LPARAM>(&item));
      if (c >= shown.size()) shown.resize(c + 1);
      shown[c] = text;
    }
  }

  if (row_ != grid_.row) {
    updatingSelection_ = true;
    LVITEMA state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = 0;
    SendMessageA(hwnd_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
    const int item = grid_.row - static_cast<int>(fixed);
    if (item >= 0 && static_cast<size_t>(item) < count) {
      state.state = LVIS_SELECTED | LVIS_FOCUSED;
      SendMessageA(hwnd_, LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&state));
      SendMessageA(hwnd_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(item), FALSE);
    }
    updatingSelection_ = false;
    row_ = grid_.row;
  }
  ApplyHint(grid_.hint, hint_);
  ApplyEnabled(grid_.enabled, enabled_);
}

LRESULT GridControl::Notify(NMHDR* header) {
  const int fixed = grid_.fixedRows > 0 ? grid_.fixedRows : 0;
  switch (header->code) {
    case LVN_ITEMCHANGED: {
      auto* change = reinterpret_cast<NMLISTVIEW*>(header);
      if (!updatingSelection_ && change->iItem >= 0 && (change->uNewState & LVIS_SELECTED) &&
          !(change->uOldState & LVIS_SELECTED)) {
        grid_.row = change->iItem + fixed;
        row_ = grid_.row;
      }
      return 0;
    }
    case NM_CLICK:
    case NM_RCLICK: {
      auto* click = reinterpret_cast<NMITEMACTIVATE*>(header);
      if (click->iItem >= 0) {
        grid_.row = click->iItem + fixed;
        grid_.col = click->iSubItem;
      }
      const auto button = header->code == NM_RCLICK ? TMain::MouseButton::Right : TMain::MouseButton::Left;
      const POINT at = click->ptAction;
      window_.Route([this, button, at] { window_.Form().RadarGridMouseDown(button, at.x, at.y); });
      window_.OpenRadarPopupIfWanted();
      return header->code == NM_RCLICK;  // the menu is open already: no WM_CONTEXTMENU
    }
    case NM_DBLCLK:
      window_.Route([this] { window_.Form().RadarGridDblClick(); });
      window_.OpenRadarPopupIfWanted();
      return 0;
  }
  return 0;
}

// ---------------------------------------------------------------- shape

ShapeControl::ShapeControl(MainWindow& window, Shape& shape, Place at) : ShellControl(window), shape_(shape) {
  hwnd_ = window_.CreateChild("STATIC", "", SS_OWNERDRAW, {at.left, at.top, at.left + at.width, at.top + at.height});
  window_.Register(this, hwnd_);
}

void ShapeControl::Refresh() {
  if (colour_ == shape_.brushColour) return;
  colour_ = shape_.brushColour;
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void ShapeControl::Draw(const DRAWITEMSTRUCT& item) {
  const RECT& r = item.rcItem;
  FillRect(item.hDC, &r, GetSysColorBrush(COLOR_BTNFACE));
  UniqueBrush brush(CreateSolidBrush(shape_.brushColour));
  HGDIOBJ oldBrush = SelectObject(item.hDC, brush.Get());
  HGDIOBJ oldPen = SelectObject(item.hDC, GetStockObject(BLACK_PEN));
  Ellipse(item.hDC, r.left, r.top, r.right, r.bottom);
  SelectObject(item.hDC, oldPen);
  SelectObject(item.hDC, oldBrush);
}

// ---------------------------------------------------------------- status bar

StatusBarControl::StatusBarControl(MainWindow& window, StatusBar& bar, std::vector<int> widths)
    : ShellControl(window), bar_(bar), widths_(std::move(widths)) {
  hwnd_ = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, window_.Handle(),
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(window_.NextId())),
                          GetModuleHandleA(nullptr), nullptr);
  SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(window_.Font()), FALSE);
  window_.Register(this, hwnd_);
}

void StatusBarControl::Refresh() {
  if (count_ != bar_.panels.size()) {
    std::vector<int> edges;
    int right = 0;
    for (size_t i = 0; i < bar_.panels.size(); ++i) {
      right += i < widths_.size() ? widths_[i] : 50;
      edges.push_back(right);
    }
    if (!edges.empty()) edges.back() = -1;  // the last panel reaches the window's edge
    SendMessageA(hwnd_, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
    count_ = bar_.panels.size();
    texts_.assign(bar_.panels.size(), std::string(1, '\x01'));  // forces every text out
  }
  for (size_t i = 0; i < bar_.panels.size(); ++i) {
    if (texts_[i] == bar_.panels[i]) continue;
    SendMessageA(hwnd_, SB_SETTEXTA, i, reinterpret_cast<LPARAM>(bar_.panels[i].c_str()));
    texts_[i] = bar_.panels[i];
  }
}

}  // namespace ombrix
