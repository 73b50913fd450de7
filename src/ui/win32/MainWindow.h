// The real main window of class "TMain": it shows TMain's components as
// Win32 controls and routes the user's actions to TMain's handlers. It holds
// no behaviour of its own beyond what Windows needs; after every routed
// event, and whenever the message loop is idle, Refresh() copies every
// component into its control.
#pragma once
#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/MainFrm.h"
#include "util/win32/UniqueHandle.h"

namespace ombrix {

class ShellControl;
class GridControl;
class TrayIcon;
class Win32EventLoop;

class MainWindow {
 public:
  static constexpr const char* kClassName = "TMain";
  static constexpr const char* kSwallowedMessageName = "Ombrix";
  static constexpr int kDesignWidth = 594, kDesignHeight = 395;
  static constexpr int kMinWidth = 594, kMaxWidth = 800;
  static constexpr int kMinHeight = 395, kMaxHeight = 600;

  // Creates the window (hidden) with its controls and menu, subclasses it,
  // runs FormCreate and mirrors the components. When a loop is given, its
  // idle time refreshes the window and F1 and keyboard navigation are
  // handled before the controls see the keys.
  MainWindow(TMain& form, Win32EventLoop* loop);
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // First display: FormShow, then the window appears as Form.visible says.
  void Show();
  // The window's normal close, run from the message loop (TMain::Close).
  void PostClose();
  // Copies every component into its control; cheap when nothing changed.
  void Refresh();

  HWND Handle() const { return hwnd_; }
  // The control that shows a component (part: radio button n + 1 of a radio
  // group, 1 for a combo box's edit field), or nullptr.
  HWND ControlOf(const void* component, int part = 0) const;
  // The command id of a menu item, 0 for a submenu or an unknown item.
  UINT MenuIdOf(const MenuItem& item) const;
  HFONT Font() const { return font_.Get(); }
  // The tray icon's tip as the shell was given it ("" once removed).
  std::string TrayTip() const;
  // The text of the hint box drawn over the grid, "" when none is shown.
  std::string GridHintText() const;

 private:
  using MessageHandler = LRESULT (MainWindow::*)(UINT, WPARAM, LPARAM);
  struct MessageEntry {
    UINT message;
    MessageHandler handler;
  };
  static const MessageEntry kMessageTable[];

  struct MenuBinding {
    MenuItem* item;
    HMENU parent;
    UINT position;
    UINT id;  // 0 for a submenu
    void (TMain::*onClick)();
    MenuItem shown;
    bool refreshed = false;
  };

  static void RegisterClassOnce(HINSTANCE instance);
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  bool FilterMessage(MSG& msg);
  std::optional<bool> SelectorKey(const MSG& msg);

  LRESULT OnCreate(UINT, WPARAM, LPARAM);
  LRESULT OnGetMinMaxInfo(UINT, WPARAM, LPARAM);
  LRESULT OnSize(UINT, WPARAM, LPARAM);
  LRESULT OnWindowPosChanged(UINT, WPARAM, LPARAM);
  LRESULT OnPaint(UINT, WPARAM, LPARAM);
  LRESULT OnCommand(UINT, WPARAM, LPARAM);
  LRESULT OnNotify(UINT, WPARAM, LPARAM);
  LRESULT OnCtlColorStatic(UINT, WPARAM, LPARAM);
  LRESULT OnDrawItem(UINT, WPARAM, LPARAM);
  LRESULT OnActivate(UINT, WPARAM, LPARAM);
  LRESULT OnHelp(UINT, WPARAM, LPARAM);
  LRESULT OnContextMenu(UINT, WPARAM, LPARAM);
  LRESULT OnMouseMove(UINT, WPARAM, LPARAM);
  LRESULT OnTrayCallback(UINT, WPARAM, LPARAM);
  LRESULT OnClose(UINT, WPARAM, LPARAM);
  LRESULT OnDestroy(UINT, WPARAM, LPARAM);
  LRESULT OnNcDestroy(UINT, WPARAM, LPARAM);

  void CreateControls();
  void CreateMainMenu();
  void CreatePopupMenus();
  void OnTrayNotice(LPARAM mouseMessage);
  void RefreshForm();
  void RefreshMenu();
  void ReadGeometry();
  RECT StatePanelRect() const;
  RECT RidgePanelRect() const;

 public:
  // --- Used by the controls ---
  TMain& Form() { return form_; }
  // Runs a TMain handler the way every routed event runs: a failure it lets
  // out is logged and beeps instead of tearing down the message loop, and
  // the window is refreshed afterwards.
  void Route(const std::function<void()>& handler);
  HWND CreateChild(const char* cls, const char* text, DWORD style, RECT at, DWORD exStyle = 0);
  void SetHint(HWND control, const std::string& hint);
  int NextId() { return nextId_++; }
  void Register(ShellControl* control, HWND hwnd);
  // Opens RadarPopup where TMain asked for it (after a right or double
  // click on the grid); the chosen item arrives as a menu command.
  void OpenRadarPopupIfWanted();

 private:
  TMain& form_;
  Win32EventLoop* loop_;
  HWND hwnd_ = nullptr;
  HWND tips_ = nullptr;
  int shownHintPause_ = -1;  // ms a hint stays up, as last given to tips_
  WNDPROC previousProc_ = nullptr;
  UINT swallowedMessage_ = 0;
  UniqueFont font_;
  std::vector<std::unique_ptr<ShellControl>> controls_;
  std::map<HWND, ShellControl*> byWindow_;
  std::map<int, ShellControl*> byId_;
  std::vector<MenuBinding> menu_;
  int nextId_ = 1000;
  HWND statusBar_ = nullptr;
  GridControl* grid_ = nullptr;
  HMENU trayPopup_ = nullptr, radarPopup_ = nullptr;  // destroyed with the window
  std::unique_ptr<TrayIcon> tray_;
  // What the window itself shows now, to apply only what changed.
  FormState shownForm_;
  bool shownVisible_ = false;
  bool shownMinimized_ = false;
  bool iconic_ = false;
  bool refreshing_ = false;
  bool closing_ = false;
  bool activatedOnce_ = false;
};

}  // namespace ombrix
