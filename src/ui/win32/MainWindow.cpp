#include "ui/win32/MainWindow.h"

#include <commctrl.h>

#include <algorithm>
#include <exception>
#include <stdexcept>

#include "app/ErrorLog.h"
#include "ui/win32/ProductIcon.h"
#include "ui/win32/ShellControls.h"
#include "ui/win32/TrayIcon.h"
#include "util/win32/Win32EventLoop.h"

namespace ombrix {

namespace {

constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_THICKFRAME;
constexpr int kStatePanelHeight = 81;

// The two panels are drawn by the window; their controls sit at these
// offsets in its client area.
constexpr int kStateTop = 0;
constexpr int kRidgeTop = kStatePanelHeight;

Place InState(int left, int top, int width = 0, int height = 0) { return {left, kStateTop + top, width, height}; }
Place InRidge(int left, int top, int width = 0, int height = 0) { return {left, kRidgeTop + top, width, height}; }

}  // namespace

const MainWindow::MessageEntry MainWindow::kMessageTable[] = {
    {WM_CREATE, &MainWindow::OnCreate},
    {WM_GETMINMAXINFO, &MainWindow::OnGetMinMaxInfo},
    {WM_SIZE, &MainWindow::OnSize},
    {WM_WINDOWPOSCHANGED, &MainWindow::OnWindowPosChanged},
    {WM_PAINT, &MainWindow::OnPaint},
    {WM_COMMAND, &MainWindow::OnCommand},
    {WM_NOTIFY, &MainWindow::OnNotify},
    {WM_CTLCOLORSTATIC, &MainWindow::OnCtlColorStatic},
    {WM_DRAWITEM, &MainWindow::OnDrawItem},
    {WM_ACTIVATE, &MainWindow::OnActivate},
    {WM_HELP, &MainWindow::OnHelp},
    {WM_CONTEXTMENU, &MainWindow::OnContextMenu},
    {WM_MOUSEMOVE, &MainWindow::OnMouseMove},
    {TrayIcon::kCallbackMessage, &MainWindow::OnTrayCallback},
    {WM_CLOSE, &MainWindow::OnClose},
    {WM_DESTROY, &MainWindow::OnDestroy},
    {WM_NCDESTROY, &MainWindow::OnNcDestroy},
};

void MainWindow::Route(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    // The user sees what went wrong (a settings file that cannot be
    // written, UI-View32 refusing a zoom) and the program runs on.
    form_.ShowHandlerError(e.what());
  } catch (...) {
    form_.Beep();
  }
  Refresh();
}

void MainWindow::RegisterClassOnce(HINSTANCE instance) {
  WNDCLASSEXA wc{};
  if (GetClassInfoExA(instance, kClassName, &wc)) return;
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = WndProc;
  wc.hInstance = instance;
  wc.hIcon = ProductIcon(32);
  wc.hIconSm = ProductIcon(16);
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClassName;
  RegisterClassExA(&wc);
}

MainWindow::MainWindow(TMain& form, Win32EventLoop* loop) : form_(form), loop_(loop) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&icc);
  HINSTANCE instance = GetModuleHandleA(nullptr);
  RegisterClassOnce(instance);

  // MS Sans Serif at 8 points, the face every control of the window uses.
  HDC screen = GetDC(nullptr);
  const int height = -MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72);
  ReleaseDC(nullptr, screen);
  font_.Reset(CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                          CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "MS Sans Serif"));

  CreateWindowExA(0, kClassName, form_.Form.caption.c_str(), kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                  kDesignWidth, kDesignHeight, nullptr, nullptr, instance, this);
  if (!hwnd_) throw std::runtime_error("cannot create the main window");

  // Messages registered as "Ombrix" are answered here and never reach the
  // window's own procedure.
  swallowedMessage_ = RegisterWindowMessageA(kSwallowedMessageName);
  previousProc_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MainWindow::SubclassProc)));
  // In the tray from creation on, before the settings give it another tip.
  tray_ = std::make_unique<TrayIcon>(hwnd_, ProductIcon(16), form_.TrayTip);

  ReadGeometry();
  Route([this] { form_.FormCreate(); });

  if (loop_) {
    loop_->SetIdleHandler([this] { Refresh(); });
    loop_->SetMessageFilter([this](MSG& msg) { return FilterMessage(msg); });
  }
}

MainWindow::~MainWindow() {
  if (loop_) {
    loop_->SetIdleHandler(nullptr);
    loop_->SetMessageFilter(nullptr);
  }
  if (hwnd_) DestroyWindow(hwnd_);
}

void MainWindow::PostClose() {
  if (hwnd_) PostMessageA(hwnd_, WM_CLOSE, 0, 0);
}

void MainWindow::Show() {
  Route([this] { form_.FormShow(); });
}

HWND MainWindow::ControlOf(const void* component, int part) const {
  for (const auto& control : controls_)
    if (control->Component() == component) return control->Window(part);
  return nullptr;
}

std::string MainWindow::TrayTip() const { return tray_ && tray_->Shown() ? tray_->Tip() : ""; }

std::string MainWindow::GridHintText() const { return grid_ ? grid_->HintText() : ""; }

UINT MainWindow::MenuIdOf(const MenuItem& item) const {
  for (const auto& binding : menu_)
    if (binding.item == &item) return binding.id;
  return 0;
}

// ---------------------------------------------------------------- procedures

LRESULT CALLBACK MainWindow::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (msg == WM_NCCREATE) {
    self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  if (self) {
    for (const auto& entry : kMessageTable)
      if (entry.message == msg) return (self->*entry.handler)(msg, wParam, lParam);
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK MainWindow::SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcA(hwnd, msg, wParam, lParam);
  if (msg == self->swallowedMessage_) return 0;
  return CallWindowProcA(self->previousProc_, hwnd, msg, wParam, lParam);
}

bool MainWindow::FilterMessage(MSG& msg) {
  if (!hwnd_ || (msg.hwnd != hwnd_ && !IsChild(hwnd_, msg.hwnd))) return false;
  // The window sees key presses before its controls: F1 anywhere is Help.
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_F1) {
    Route([this] { form_.Help2Click(); });
    return true;
  }
  if (msg.message == WM_KEYDOWN || msg.message == WM_CHAR) {
    if (auto handled = SelectorKey(msg)) return *handled;
  }
  // Tab and the arrow keys move between the controls as in a dialog.
  return IsDialogMessageA(hwnd_, &msg) != FALSE;
}

// The three selectors' own keys: a key-down of the down arrow or of any key
// above the space bar opens a closed list (and goes no further), Enter is
// dropped, and Tab moves on to a fixed control. Nothing for other windows.
std::optional<bool> MainWindow::SelectorKey(const MSG& msg) {
  struct Selector {
    const ComboBox* combo;
    const void* next;
  };
  const Selector selectors[] = {
      {&form_.RadarCmb, &form_.ProductCmb},
      {&form_.ProductCmb, &form_.AccumChk},
      {&form_.TargetCmb, &form_.AddTargetBtn},
  };
  for (const Selector& s : selectors) {
    HWND combo = ControlOf(s.combo);
    if (!combo || (msg.hwnd != combo && msg.hwnd != ControlOf(s.combo, 1))) continue;
    if (msg.message == WM_CHAR) return msg.wParam == '\r';
    if (msg.wParam == VK_TAB) {
      SetFocus(ControlOf(s.next));
      return true;
    }
    if ((msg.wParam == VK_DOWN || msg.wParam > 32) && !SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0)) {
      SendMessageA(combo, CB_SHOWDROPDOWN, TRUE, 0);
      return true;
    }
    return false;  // the list's own handling (arrows, Enter to close it)
  }
  return std::nullopt;
}

// ---------------------------------------------------------------- messages

LRESULT MainWindow::OnCreate(UINT, WPARAM, LPARAM) {
  CreateMainMenu();
  CreateControls();
  return 0;
}

LRESULT MainWindow::OnGetMinMaxInfo(UINT, WPARAM, LPARAM lParam) {
  auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
  info->ptMinTrackSize = {kMinWidth, kMinHeight};
  info->ptMaxTrackSize = {kMaxWidth, kMaxHeight};
  return 0;
}

LRESULT MainWindow::OnSize(UINT, WPARAM wParam, LPARAM) {
  if (statusBar_) SendMessageA(statusBar_, WM_SIZE, 0, 0);
  InvalidateRect(hwnd_, nullptr, TRUE);
  // However it was minimised (the user, the program), the handler hears it.
  const bool minimized = wParam == SIZE_MINIMIZED;
  if (minimized != iconic_) {
    iconic_ = shownMinimized_ = form_.Form.minimized = minimized;
    if (minimized) Route([this] { form_.ApplicationMinimize(); });
  }
  return 0;
}

LRESULT MainWindow::OnWindowPosChanged(UINT msg, WPARAM wParam, LPARAM lParam) {
  ReadGeometry();
  return DefWindowProcA(hwnd_, msg, wParam, lParam);  // sends WM_SIZE and WM_MOVE
}

RECT MainWindow::StatePanelRect() const {
  RECT client;
  GetClientRect(hwnd_, &client);
  return {0, kStateTop, client.right, kStateTop + kStatePanelHeight};
}

RECT MainWindow::RidgePanelRect() const {
  RECT client;
  GetClientRect(hwnd_, &client);
  int bottom = client.bottom;
  if (statusBar_) {
    RECT bar;
    GetWindowRect(statusBar_, &bar);
    bottom -= bar.bottom - bar.top;
  }
  return {0, kRidgeTop, client.right, bottom};
}

LRESULT MainWindow::OnPaint(UINT, WPARAM, LPARAM) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  RECT state = StatePanelRect(), ridge = RidgePanelRect();
  DrawEdge(dc, &state, BDR_RAISEDINNER, BF_RECT);
  DrawEdge(dc, &ridge, BDR_RAISEDINNER, BF_RECT);
  EndPaint(hwnd_, &ps);
  return 0;
}

LRESULT MainWindow::OnCommand(UINT, WPARAM wParam, LPARAM lParam) {
  const int id = LOWORD(wParam);
  const WORD code = HIWORD(wParam);
  if (lParam == 0) {  // a menu command
    for (auto& binding : menu_) {
      if (binding.id != static_cast<UINT>(id) || !binding.onClick) continue;
      auto onClick = binding.onClick;
      Route([this, onClick] { (form_.*onClick)(); });
      return 0;
    }
    return 0;
  }
  auto it = byId_.find(id);
  if (it != byId_.end()) it->second->Command(reinterpret_cast<HWND>(lParam), code);
  return 0;
}

LRESULT MainWindow::OnNotify(UINT, WPARAM, LPARAM lParam) {
  auto* header = reinterpret_cast<NMHDR*>(lParam);
  auto it = byWindow_.find(header->hwndFrom);
  return it != byWindow_.end() ? it->second->Notify(header) : 0;
}

LRESULT MainWindow::OnCtlColorStatic(UINT msg, WPARAM wParam, LPARAM lParam) {
  auto it = byWindow_.find(reinterpret_cast<HWND>(lParam));
  if (it != byWindow_.end())
    if (HBRUSH brush = it->second->Colour(reinterpret_cast<HDC>(wParam))) return reinterpret_cast<LRESULT>(brush);
  return DefWindowProcA(hwnd_, msg, wParam, lParam);
}

LRESULT MainWindow::OnDrawItem(UINT, WPARAM, LPARAM lParam) {
  const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
  auto it = byWindow_.find(item->hwndItem);
  if (it == byWindow_.end()) return FALSE;
  it->second->Draw(*item);
  return TRUE;
}

LRESULT MainWindow::OnActivate(UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT result = DefWindowProcA(hwnd_, msg, wParam, lParam);  // focus to a control
  if (LOWORD(wParam) == WA_INACTIVE) return result;
  // The form is activated at its first display and when focus comes back
  // from another window of this program (a dialog), not from other programs.
  HWND previous = reinterpret_cast<HWND>(lParam);
  DWORD process = 0;
  if (previous) GetWindowThreadProcessId(previous, &process);
  if (!activatedOnce_ || process == GetCurrentProcessId()) {
    activatedOnce_ = true;
    Route([this] { form_.FormActivate(); });
  }
  return result;
}

LRESULT MainWindow::OnHelp(UINT, WPARAM, LPARAM) {
  Route([this] { form_.Help2Click(); });
  return TRUE;
}

// A right click or a double click on the grid asked for its menu.
void MainWindow::OpenRadarPopupIfWanted() {
  if (!hwnd_ || !form_.RadarPopupWanted || !grid_) return;
  POINT at{form_.RadarPopupWanted->x, form_.RadarPopupWanted->y};
  form_.RadarPopupWanted.reset();
  Route([this] { form_.RadarPopupPopup(); });  // captions for the selected record
  ClientToScreen(grid_->Window(), &at);
  TrackPopupMenu(radarPopup_, TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd_, nullptr);
}

// The context-menu key, or a context menu asked for from outside: over the
// grid it is the grid's right click.
LRESULT MainWindow::OnContextMenu(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!grid_ || reinterpret_cast<HWND>(wParam) != grid_->Window()) return DefWindowProcA(hwnd_, msg, wParam, lParam);
  POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  if (lParam == -1) at = {0, 0};
  else ScreenToClient(grid_->Window(), &at);
  Route([this, at] { form_.RadarGridMouseDown(TMain::MouseButton::Right, at.x, at.y); });
  OpenRadarPopupIfWanted();
  return 0;
}

// The mouse over the panels around the grid takes the hint box away.
LRESULT MainWindow::OnMouseMove(UINT, WPARAM, LPARAM) {
  if (grid_) grid_->ClearHint();
  return 0;
}

LRESULT MainWindow::OnTrayCallback(UINT, WPARAM, LPARAM lParam) {
  if (lParam == WM_LBUTTONDBLCLK) {
    Route([this] { form_.TrayIconDblClick(); });
    SetForegroundWindow(hwnd_);
  } else if (lParam == WM_RBUTTONDOWN) {
    Route([this] { form_.TrayPopupPopup(); });
    POINT at{};
    GetCursorPos(&at);
    // Without the foreground the menu would not close when clicked away.
    SetForegroundWindow(hwnd_);
    TrackPopupMenu(trayPopup_, TPM_BOTTOMALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd_, nullptr);
    PostMessageA(hwnd_, WM_NULL, 0, 0);
  }
  return 0;
}

LRESULT MainWindow::OnClose(UINT, WPARAM, LPARAM) {
  // A second close while the first waits for a pass (it pumps messages)
  // must not run the close steps twice.
  if (closing_) return 0;
  closing_ = true;
  bool allowed = false;
  Route([this, &allowed] { allowed = form_.FormCloseQuery(); });
  if (!allowed) {
    closing_ = false;
    return 0;
  }
  Route([this] { form_.FormClose(); });
  DestroyWindow(hwnd_);
  return 0;
}

LRESULT MainWindow::OnDestroy(UINT, WPARAM, LPARAM) {
  try {
    form_.FormDestroy();
  } catch (...) {
    form_.Beep();
  }
  if (tray_) tray_->Remove();
  SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousProc_));
  PostQuitMessage(0);
  return 0;
}

LRESULT MainWindow::OnNcDestroy(UINT msg, WPARAM wParam, LPARAM lParam) {
  HWND hwnd = hwnd_;
  SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
  hwnd_ = nullptr;
  statusBar_ = nullptr;
  tips_ = nullptr;
  grid_ = nullptr;
  // The pop-up menus belong to no window: they go with this one.
  if (trayPopup_) DestroyMenu(trayPopup_);
  if (radarPopup_) DestroyMenu(radarPopup_);
  trayPopup_ = radarPopup_ = nullptr;
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// ---------------------------------------------------------------- building

HWND MainWindow::CreateChild(const char* cls, const char* text, DWORD style, RECT at, DWORD exStyle) {
  HWND child = CreateWindowExA(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, at.left, at.top,
                               at.right - at.left, at.bottom - at.top, hwnd_,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(NextId())), GetModuleHandleA(nullptr),
                               nullptr);
  SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
  return child;
}

void MainWindow::Register(ShellControl* control, HWND hwnd) {
  byWindow_[hwnd] = control;
  byId_[GetDlgCtrlID(hwnd)] = control;
}

void MainWindow::SetHint(HWND control, const std::string& hint) {
  if (!tips_ || !control) return;
  // Hints break lines at a lone CR; the tooltip wants CR LF.
  std::string text;
  for (char c : hint) {
    text += c;
    if (c == '\r') text += '\n';
  }
  TOOLINFOA tool{};
  tool.cbSize = TTTOOLINFOA_V2_SIZE;  // the size every comctl32 version accepts
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = hwnd_;
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  SendMessageA(tips_, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  if (text.empty()) return;
  tool.lpszText = text.data();
  SendMessageA(tips_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

void MainWindow::CreateControls() {
  tips_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                          CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr,
                          GetModuleHandleA(nullptr), nullptr);
  SendMessageA(tips_, TTM_SETMAXTIPWIDTH, 0, 600);  // lets hints span several lines

  TMain& f = form_;
  auto add = [this](ShellControl* control) { controls_.emplace_back(control); };
  // Upper panel: mode, target folders, UI-View32 state.
  add(new RadioGroupControl(*this, f.ModeGrp, InState(8, 1, 73, 49), &TMain::ModeGrpClick));
  add(new LabelControl(*this, f.Label3, InState(89, 1)));
  add(new ComboBoxControl(*this, f.TargetCmb, InState(89, 16, 448), 8));
  add(new ButtonControl(*this, f.AddTargetBtn, InState(537, 10, 41, 17), &TMain::AddTargetBtnClick));
  add(new ButtonControl(*this, f.TargetDelBtn, InState(537, 26, 41, 17), &TMain::TargetDelBtnClick));
  add(new LabelControl(*this, f.UvULbl, InState(89, 40)));
  add(new ButtonControl(*this, f.RedrawBtn, InState(8, 57, 72, 17), &TMain::RedrawBtnClick));
  add(new CheckBoxControl(*this, f.RedrawChk, InState(89, 57, 299, 17), &TMain::RedrawChkClick));
  add(new LabelControl(*this, f.LoopLbl, InState(402, 57)));
  // Lower panel: sources, the grid, progress lines.
  add(new LabelControl(*this, f.SelectRadarLbl, InRidge(8, 1)));
  add(new ComboBoxControl(*this, f.RadarCmb, InRidge(8, 17, 233), 8));
  add(new LabelControl(*this, f.Label2, InRidge(402, 1)));
  add(new ComboBoxControl(*this, f.ProductCmb, InRidge(402, 17, 177), 7));
  add(new CheckBoxControl(*this, f.AccumChk, InRidge(8, 46, 194, 17), &TMain::AccumChkClick));
  add(new CheckBoxControl(*this, f.LegendChk, InRidge(242, 46, 129, 17), &TMain::LegendChkClick));
  add(new ButtonControl(*this, f.AddBtn, InRidge(401, 46, 177, 17), &TMain::AddBtnClick));
  add(new LabelControl(*this, f.SelectedRadarGridLbl, InRidge(8, 66)));
  grid_ = new GridControl(*this, f.RadarGrid, InRidge(8, 81, 568, 98));
  add(grid_);
  add(new LabelControl(*this, f.HeapLbl, InRidge(8, 182)));
  add(new LabelControl(*this, f.StatLbl, InRidge(216, 182)));
  add(new ButtonControl(*this, f.DeleteBtn, InRidge(241, 180, 60, 17), &TMain::DeleteBtnClick));
  add(new ButtonControl(*this, f.DownloadBtn, InRidge(300, 180, 60, 17), &TMain::DownloadBtnClick));
  add(new LabelControl(*this, f.TimeLbl, InRidge(535, 182)));
  add(new ShapeControl(*this, f.Shape1, InRidge(8, 198, 9, 9)));
  add(new LabelControl(*this, f.StateLbl, InRidge(23, 197, 562)));
  add(new LabelControl(*this, f.RidgeLbl, InRidge(8, 210, 578)));
  add(new LabelControl(*this, f.FileLbl, InRidge(8, 223, 578)));
  auto* bar = new StatusBarControl(*this, f.Sbar, {535, 50});
  add(bar);
  statusBar_ = bar->Window();
}

void MainWindow::CreateMainMenu() {
  TMain& f = form_;
  HMENU bar = CreateMenu();
  auto item = [this](HMENU parent, MenuItem& menuItem, void (TMain::*onClick)()) {
    const UINT id = static_cast<UINT>(NextId());
    const UINT position = static_cast<UINT>(GetMenuItemCount(parent));
    AppendMenuA(parent, MF_STRING, id, menuItem.caption.c_str());
    menu_.push_back({&menuItem, parent, position, id, onClick, {}, false});
  };
  auto submenu = [this](HMENU parent, MenuItem* menuItem, const char* caption) {
    HMENU popup = CreatePopupMenu();
    const UINT position = static_cast<UINT>(GetMenuItemCount(parent));
    AppendMenuA(parent, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), menuItem ? menuItem->caption.c_str() : caption);
    if (menuItem) menu_.push_back({menuItem, parent, position, 0, nullptr, {}, false});
    return popup;
  };
  auto separator = [](HMENU parent) { AppendMenuA(parent, MF_SEPARATOR, 0, nullptr); };

  HMENU file = submenu(bar, nullptr, "&File");
  item(file, f.Minimizeonstartup1, &TMain::Minimizeonstartup1Click);
  item(file, f.ShutDownwhenUiViewterminates1, &TMain::ShutDownwhenUiViewterminates1Click);
  item(file, f.Logerrors1, &TMain::Logerrors1Click);
  item(file, f.EXit1, &TMain::EXit1Click);
  item(bar, f.About1, &TMain::About1Click);
  HMENU help = submenu(bar, nullptr, "&Help");
  HMENU sites = submenu(help, &f.Websites1, nullptr);
  item(sites, f.OmbrixWebsite1, &TMain::OmbrixWebsite1Click);
  item(sites, f.UiViewinfo1, &TMain::UiViewinfo1Click);
  item(sites, f.YahooUiViewgroup1, &TMain::YahooUiViewgroup1Click);
  separator(sites);
  item(sites, f.NWSRidge1, &TMain::NWSRidge1Click);
  item(sites, f.NWSRidgeData1, &TMain::NWSRidgeData1Click);
  item(sites, f.RidgeNationaSectionalData1, &TMain::RidgeNationaSectionalData1Click);
  separator(sites);
  item(sites, f.TAMU1, &TMain::TAMU1Click);
  item(sites, f.TexasAMData1, &TMain::TexasAMData1Click);
  separator(sites);
  item(sites, f.Iowa1, &TMain::Iowa1Click);
  item(sites, f.IowaStateData1, &TMain::IowaStateData1Click);
  item(help, f.Help2, &TMain::Help2Click);
  SetMenu(hwnd_, bar);  // destroyed with the window

  // The grid's and the tray's menus, opened by TrackPopupMenu.
  RadarPopupMenu& grid = f.RadarPopup;
  radarPopup_ = CreatePopupMenu();
  item(radarPopup_, grid.Accumulateimages1, &TMain::Accumulateimages1Click);
  item(radarPopup_, grid.Disabledownload1, &TMain::Disabledownload1Click);
  item(radarPopup_, grid.DeleteRecord1, &TMain::DeleteRecord1Click);
  item(radarPopup_, grid.Downloadcurrentrecord1, &TMain::Downloadcurrentrecord1Click);
  item(radarPopup_, grid.Browseto1, &TMain::Browseto1Click);
  item(radarPopup_, grid.ViewUnderlay1, &TMain::ViewUnderlay1Click);
  item(radarPopup_, grid.Cancel2, &TMain::Cancel2Click);
  trayPopup_ = CreatePopupMenu();
  item(trayPopup_, f.LoopRadar1, &TMain::LoopRadar1Click);
  item(trayPopup_, f.RadarZoom1, &TMain::RadarZoom1Click);
  item(trayPopup_, f.Restore1, &TMain::Restore1Click);
  item(trayPopup_, f.EXit2, &TMain::EXit2Click);
  item(trayPopup_, f.Cancel1, &TMain::Cancel1Click);
}

// ---------------------------------------------------------------- refresh

void MainWindow::ReadGeometry() {
  if (!hwnd_ || IsIconic(hwnd_)) return;
  RECT r;
  GetWindowRect(hwnd_, &r);
  form_.Form.left = shownForm_.left = r.left;
  form_.Form.top = shownForm_.top = r.top;
  form_.Form.width = shownForm_.width = r.right - r.left;
  form_.Form.height = shownForm_.height = r.bottom - r.top;
}

void MainWindow::Refresh() {
  if (!hwnd_ || refreshing_) return;
  refreshing_ = true;
  // The controls first: a window that appears shows its final texts at once.
  for (auto& control : controls_) control->Refresh();
  RefreshMenu();
  RefreshForm();
  if (tray_) {
    if (!form_.TrayIconShown) tray_->Remove();
    else tray_->SetTip(form_.TrayTip);
  }
  refreshing_ = false;
}

void MainWindow::RefreshForm() {
  const FormState& want = form_.Form;
  if (tips_ && shownHintPause_ != form_.HintHidePause) {
    shownHintPause_ = form_.HintHidePause;
    SendMessageA(tips_, TTM_SETDELAYTIME, TTDT_AUTOPOP, MAKELPARAM(std::clamp(shownHintPause_, 0, 32767), 0));
  }
  if (shownForm_.caption != want.caption) {
    SetWindowTextA(hwnd_, want.caption.c_str());
    shownForm_.caption = want.caption;
  }
  if (!IsIconic(hwnd_) && (shownForm_.left != want.left || shownForm_.top != want.top ||
                           shownForm_.width != want.width || shownForm_.height != want.height)) {
    SetWindowPos(hwnd_, nullptr, want.left, want.top, want.width, want.height, SWP_NOZORDER | SWP_NOACTIVATE);
    ReadGeometry();  // the size limits may have trimmed it
  }
  if (shownVisible_ != want.visible) {
    shownVisible_ = want.visible;
    ShowWindow(hwnd_, want.visible ? SW_SHOW : SW_HIDE);
  }
  // A hidden window takes the state when it is shown again.
  if (shownMinimized_ != want.minimized && IsWindowVisible(hwnd_)) {
    shownMinimized_ = want.minimized;
    ShowWindow(hwnd_, want.minimized ? SW_MINIMIZE : SW_RESTORE);
  }
}

void MainWindow::RefreshMenu() {
  bool barChanged = false;
  for (auto& binding : menu_) {
    const MenuItem& want = *binding.item;
    if (binding.refreshed && binding.shown.caption == want.caption && binding.shown.checked == want.checked &&
        binding.shown.enabled == want.enabled)
      continue;
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STATE | MIIM_TYPE;
    info.fType = MFT_STRING;
    info.dwTypeData = const_cast<char*>(want.caption.c_str());
    info.fState = (want.checked ? MFS_CHECKED : 0) | (want.enabled ? 0 : MFS_GRAYED);
    SetMenuItemInfoA(binding.parent, binding.position, TRUE, &info);
    binding.shown = want;
    binding.refreshed = true;
    if (binding.parent == GetMenu(hwnd_)) barChanged = true;
  }
  if (barChanged) DrawMenuBar(hwnd_);
}

}  // namespace ombrix
