// Drives another process's windows the way a user does, through real window
// messages: finds its main window and controls, clicks, types, answers its
// message boxes, works its pop-up menus with the keyboard and reads its
// list view's cells (in the target's memory). Test code only.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace ombrix::test {

class GuiDriver {
 public:
  explicit GuiDriver(DWORD processId) : process_(processId) {}

  // The process's visible top-level window of the class, waiting up to ms.
  HWND WaitForWindow(const char* cls, int ms) const;
  // A child of parent: the index-th with the text (or, with prefix, whose
  // text begins with it), or the index-th of a class; creation order.
  static HWND Child(HWND parent, const std::string& text, int index = 0, bool prefix = false);
  static HWND ChildOfClass(HWND parent, const char* cls, int index);
  static std::string Text(HWND hwnd);

  // Posted, so a click that opens a modal dialog does not block the driver.
  static void Click(HWND button);
  // Types the text into an edit field or editable list, as the user does.
  static void Type(HWND parentWindow, HWND field, const std::string& text);
  // Waits for a message box of the process, returns its text and presses
  // the button (IDOK, IDYES, IDNO). "" when none came within ms.
  std::string AnswerMessageBox(int button, int ms = 20000) const;
  // Waits for the process's open pop-up menu and sends it the keys
  // (WM_KEYDOWN for virtual keys, WM_CHAR for letters given as 'x').
  bool UseOpenMenu(const std::vector<WPARAM>& keyDowns, char accessKey = 0, int ms = 20000) const;
  // Every row of a report list view, every column.
  std::vector<std::vector<std::string>> ListViewRows(HWND list, int columns) const;
  // Waits until the condition holds, polling; false on time-out.
  template <class F>
  static bool WaitFor(F condition, int ms = 20000) {
    for (int waited = 0; waited < ms; waited += 50) {
      if (condition()) return true;
      Sleep(50);
    }
    return condition();
  }

 private:
  DWORD process_;
};

}  // namespace ombrix::test
