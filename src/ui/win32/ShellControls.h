// One real control per component of the main window. Each keeps a copy of
// what it shows, so a refresh touches the control only where the component
// changed (no flicker, no lost caret in an edit field), and turns the
// control's notifications back into component changes and handler calls.
#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "ui/Components.h"
#include "ui/MainFrm.h"

namespace ombrix {

class MainWindow;

using FormHandler = void (TMain::*)();

// Where a control sits: left, top, width, height in main-window client
// pixels (the panels are drawn by the window, so panel offsets are added
// by the caller). A width of 0 sizes a label to its caption.
struct Place {
  int left, top, width, height;
};

class ShellControl {
 public:
  virtual ~ShellControl() = default;
  // The component this control shows (tests and lookups).
  virtual const void* Component() const = 0;
  virtual HWND Window(int part = 0) const { return part == 0 ? hwnd_ : nullptr; }
  virtual void Refresh() = 0;
  // WM_COMMAND from the control; true when handled.
  virtual bool Command(HWND, WORD) { return false; }
  virtual LRESULT Notify(NMHDR*) { return 0; }
  // WM_CTLCOLORSTATIC: a label's text colour; nullptr for the default.
  virtual HBRUSH Colour(HDC) { return nullptr; }
  virtual void Draw(const DRAWITEMSTRUCT&) {}

 protected:
  explicit ShellControl(MainWindow& window) : window_(window) {}
  void ApplyText(HWND hwnd, const std::string& text, std::optional<std::string>& shown);
  void ApplyHint(const std::string& hint, std::optional<std::string>& shown, HWND extra = nullptr);
  void ApplyEnabled(bool enabled, std::optional<bool>& shown);
  void ApplyVisible(bool visible, std::optional<bool>& shown);

  MainWindow& window_;
  HWND hwnd_ = nullptr;
};

class LabelControl : public ShellControl {
 public:
  LabelControl(MainWindow& window, Label& label, Place at);
  const void* Component() const override { return &label_; }
  void Refresh() override;
  HBRUSH Colour(HDC dc) override;

 private:
  Label& label_;
  Place at_;
  std::optional<std::string> caption_, hint_;
  std::optional<bool> visible_;
  std::optional<TColor> colour_;
};

class ButtonControl : public ShellControl {
 public:
  ButtonControl(MainWindow& window, Button& button, Place at, FormHandler onClick);
  const void* Component() const override { return &button_; }
  void Refresh() override;
  bool Command(HWND, WORD code) override;

 private:
  Button& button_;
  FormHandler onClick_;
  std::optional<std::string> caption_, hint_;
  std::optional<bool> enabled_, visible_;
};

class CheckBoxControl : public ShellControl {
 public:
  CheckBoxControl(MainWindow& window, CheckBox& box, Place at, FormHandler onClick);
  const void* Component() const override { return &box_; }
  void Refresh() override;
  bool Command(HWND, WORD code) override;

 private:
  CheckBox& box_;
  FormHandler onClick_;
  std::optional<std::string> caption_, hint_;
  std::optional<bool> enabled_, checked_;
};

// A group box holding one radio button per item; a click that changes the
// selected item runs the group's click handler.
class RadioGroupControl : public ShellControl {
 public:
  RadioGroupControl(MainWindow& window, RadioGroup& group, Place at, FormHandler onClick);
  const void* Component() const override { return &group_; }
  HWND Window(int part) const override;
  void Refresh() override;
  bool Command(HWND from, WORD code) override;

 private:
  void CreateButtons();
  RadioGroup& group_;
  Place at_;
  FormHandler onClick_;
  std::vector<HWND> buttons_;
  std::optional<std::string> caption_, hint_;
  std::optional<std::vector<std::string>> items_;
  std::optional<int> index_;
};

// An editable drop-down list. Typing and choosing update the component's
// text and item index; the items are shown in the component's order.
class ComboBoxControl : public ShellControl {
 public:
  ComboBoxControl(MainWindow& window, ComboBox& combo, Place at, int droppedRows);
  const void* Component() const override { return &combo_; }
  HWND Window(int part) const override;
  void Refresh() override;
  bool Command(HWND, WORD code) override;

 private:
  ComboBox& combo_;
  HWND edit_ = nullptr;
  std::optional<std::vector<std::string>> items_;
  std::optional<std::string> text_, hint_;
  std::optional<int> index_;
};

// The download-record grid, shown for now as a report list view: row 0 of
// the cells is the header, the other rows are the items.
class GridControl : public ShellControl {
 public:
  GridControl(MainWindow& window, StringGrid& grid, Place at);
  ~GridControl() override;
  const void* Component() const override { return &grid_; }
  void Refresh() override;
  LRESULT Notify(NMHDR* header) override;
  // The hint box over the cell under the mouse, and its removal (the
  // mouse moved to the header, out of the grid, or over the panel).
  void MouseMove(int x, int y);
  void ClearHint();
  const std::string& HintText() const { return hintText_; }

 private:
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void DrawHintBox(HDC dc, int x, int y, COLORREF border, COLORREF background, const std::string& text,
                   int pointSize);
  StringGrid& grid_;
  Place at_;
  WNDPROC listProc_ = nullptr;
  std::string hintText_;
  int hintRow_ = -1, hintCol_ = -1;
  std::optional<std::vector<std::string>> header_;
  std::vector<std::vector<std::string>> rows_;
  std::optional<int> row_;
  std::optional<std::string> hint_;
  std::optional<bool> enabled_;
  bool updatingSelection_ = false;
};

// The state lamp: a small circle in the shape's brush colour.
class ShapeControl : public ShellControl {
 public:
  ShapeControl(MainWindow& window, Shape& shape, Place at);
  const void* Component() const override { return &shape_; }
  void Refresh() override;
  void Draw(const DRAWITEMSTRUCT& item) override;

 private:
  Shape& shape_;
  std::optional<TColor> colour_;
};

class StatusBarControl : public ShellControl {
 public:
  StatusBarControl(MainWindow& window, StatusBar& bar, std::vector<int> widths);
  const void* Component() const override { return &bar_; }
  void Refresh() override;

 private:
  StatusBar& bar_;
  std::vector<int> widths_;
  std::optional<size_t> count_;
  std::vector<std::string> texts_;
};

}  // namespace ombrix
