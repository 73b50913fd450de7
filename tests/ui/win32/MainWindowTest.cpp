// The real main window in this process: components reach the controls, and
// the controls' events reach the components and TMain's handlers.
#include "ui/win32/MainWindow.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "app/ProcessState.h"
#include "support/TempDir.h"
#include "ui/Dialogs.h"
#include "ui/win32/Win32Shell.h"
#include "util/win32/Win32EventLoop.h"

namespace ombrix {
namespace {

std::string Text(HWND hwnd) {
  char text[512] = {};
  GetWindowTextA(hwnd, text, sizeof text);
  return text;
}

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() {
    ResetProcessState();
    Platform platform;
    platform.loop = &loop_;
    platform.beep = [this] { ++beeps_; };
    platform.closeMainWindow = [this] {
      if (window_) window_->PostClose();
    };
    form_ = std::make_unique<TMain>(platform, dir_.Path());
    window_ = std::make_unique<MainWindow>(*form_, &loop_);
  }
  ~MainWindowTest() override {
    window_.reset();
    form_.reset();
    // The closed window leaves its WM_QUIT in this thread's queue.
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    ResetProcessState();
  }

  HWND Control(const void* component, int part = 0) {
    HWND hwnd = window_->ControlOf(component, part);
    EXPECT_NE(hwnd, nullptr);
    return hwnd;
  }
  // What the control would send its parent when the user works it.
  void Notify(HWND control, WORD code) {
    SendMessageA(window_->Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code),
                 reinterpret_cast<LPARAM>(control));
  }
  void ChooseMenu(const MenuItem& item) {
    UINT id = window_->MenuIdOf(item);
    ASSERT_NE(id, 0u);
    SendMessageA(window_->Handle(), WM_COMMAND, id, 0);
  }
  std::string GridText(int item, int column) {
    char text[128] = {};
    LVITEMA lv{};
    lv.iSubItem = column;
    lv.pszText = text;
    lv.cchTextMax = sizeof text;
    SendMessageA(Control(&form_->RadarGrid), LVM_GETITEMTEXTA, item, reinterpret_cast<LPARAM>(&lv));
    return text;
  }

  test::TempDir dir_;
  Win32EventLoop loop_;
  int beeps_ = 0;
  std::unique_ptr<TMain> form_;
  std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowTest, WindowIsTheProgramsMainWindow) {
  HWND hwnd = window_->Handle();
  char cls[32] = {};
  GetClassNameA(hwnd, cls, sizeof cls);
  EXPECT_STREQ(cls, "TMain");
  EXPECT_EQ(Text(hwnd), "Ombrix 2.2.1 Server mode") << "the loaded settings name the mode";
  EXPECT_FALSE(IsWindowVisible(hwnd)) << "hidden until the first display";

  // A known target folder: the first display needs no UI-View32 then.
  form_->TargetCmb.items = {dir_.Path()};
  window_->Show();
  EXPECT_TRUE(IsWindowVisible(hwnd));
  // The position the system chose is what the component holds.
  RECT r;
  GetWindowRect(hwnd, &r);
  EXPECT_EQ(form_->Form.left, r.left);
  EXPECT_EQ(form_->Form.width, 594);
  EXPECT_EQ(form_->Form.height, 395);
}

TEST_F(MainWindowTest, GeometryFollowsTheFormWithinTheSizeLimits) {
  form_->Form.left = 30;
  form_->Form.top = 40;
  form_->Form.width = 700;
  form_->Form.height = 450;
  window_->Refresh();
  RECT r;
  GetWindowRect(window_->Handle(), &r);
  EXPECT_EQ(r.left, 30);
  EXPECT_EQ(r.top, 40);
  EXPECT_EQ(r.right - r.left, 700);
  EXPECT_EQ(r.bottom - r.top, 450);

  form_->Form.width = 2000;
  form_->Form.height = 100;
  window_->Refresh();
  EXPECT_EQ(form_->Form.width, 800) << "the stored size is the one the window got";
  EXPECT_EQ(form_->Form.height, 395);

  // A move by the user (or the system) reaches the component too.
  SetWindowPos(window_->Handle(), nullptr, 55, 66, 600, 400, SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(form_->Form.left, 55);
  EXPECT_EQ(form_->Form.top, 66);
  EXPECT_EQ(form_->Form.width, 600);
}

TEST_F(MainWindowTest, IdleLoopMirrorsEveryKindOfComponent) {
  TMain& f = *form_;
  f.Form.caption = "Ombrix 2.2.1 Client mode";
  f.StateLbl.caption = "Checking radar records";
  f.StateLbl.colour = clRed;
  f.FileLbl.visible = false;
  f.DownloadBtn.caption = "Process";
  f.DownloadBtn.enabled = false;
  f.RedrawChk.checked = true;
  f.RedrawChk.caption = "Redraw UiView when LOT_N0R_0 updates";
  f.LegendChk.enabled = false;
  f.ModeGrp.itemIndex = 1;
  f.ProductCmb.items = {"N0S, Storm Relative Motion", "N0V, Velocity"};
  f.ProductCmb.text = "N0R, Short Range Reflectivity";
  f.TargetCmb.items = {"C:\\PMap Underlays\\"};
  f.TargetCmb.itemIndex = 0;
  f.TargetCmb.text = "C:\\PMap Underlays\\";
  f.RadarGrid.Resize(3, 9);
  f.RadarGrid.Cell(0, 0) = "Radar";
  f.RadarGrid.Cell(8, 0) = "Errors";
  f.RadarGrid.Cell(0, 1) = "IL,Chicago,LOT";
  f.RadarGrid.Cell(8, 2) = "2,5";
  f.RadarGrid.row = 2;
  f.Sbar.panels = {"No files scheduled for download", "Idle"};
  f.Logerrors1.checked = true;
  f.EXit1.enabled = false;

  loop_.ProcessMessages();  // no explicit Refresh: the loop's idle time does it

  EXPECT_EQ(Text(window_->Handle()), "Ombrix 2.2.1 Client mode");
  EXPECT_EQ(Text(Control(&f.StateLbl)), "Checking radar records");
  EXPECT_FALSE(IsWindowVisible(Control(&f.FileLbl)));
  EXPECT_EQ(Text(Control(&f.DownloadBtn)), "Process");
  EXPECT_FALSE(IsWindowEnabled(Control(&f.DownloadBtn)));
  EXPECT_EQ(SendMessageA(Control(&f.RedrawChk), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(Text(Control(&f.RedrawChk)), "Redraw UiView when LOT_N0R_0 updates");
  EXPECT_FALSE(IsWindowEnabled(Control(&f.LegendChk)));
  EXPECT_EQ(SendMessageA(Control(&f.ModeGrp, 1), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SendMessageA(Control(&f.ModeGrp, 2), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageA(Control(&f.ProductCmb), CB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(Text(Control(&f.ProductCmb)), "N0R, Short Range Reflectivity") << "a text that is not an item";
  EXPECT_EQ(SendMessageA(Control(&f.TargetCmb), CB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(Text(Control(&f.TargetCmb)), "C:\\PMap Underlays\\");

  HWND grid = Control(&f.RadarGrid);
  EXPECT_EQ(SendMessageA(grid, LVM_GETITEMCOUNT, 0, 0), 2) << "the header row is not an item";
  EXPECT_EQ(GridText(0, 0), "IL,Chicago,LOT");
  EXPECT_EQ(GridText(1, 8), "2,5");
  EXPECT_EQ(SendMessageA(grid, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 1);

  char panel[128] = {};
  SendMessageA(Control(&f.Sbar), SB_GETTEXTA, 1, reinterpret_cast<LPARAM>(panel));
  EXPECT_STREQ(panel, "Idle");
  HMENU menu = GetMenu(window_->Handle());
  EXPECT_TRUE(GetMenuState(menu, window_->MenuIdOf(f.Logerrors1), MF_BYCOMMAND) & MF_CHECKED);
  EXPECT_TRUE(GetMenuState(menu, window_->MenuIdOf(f.EXit1), MF_BYCOMMAND) & MF_GRAYED);

  // Fewer rows later: the grid drops the extra items.
  f.RadarGrid.Resize(2, 9);
  f.RadarGrid.Cell(0, 1) = "";
  window_->Refresh();
  EXPECT_EQ(SendMessageA(grid, LVM_GETITEMCOUNT, 0, 0), 1);
  EXPECT_EQ(GridText(0, 0), "");
}

TEST_F(MainWindowTest, TimerTicksReachTheScreenWithoutARefreshCall) {
  // A timer handler only changes components; the idle refresh shows them.
  Timer tick(loop_, 10, true, [this] { form_->TimeLbl.caption = "12:34:56"; });
  for (int i = 0; i < 200 && Text(Control(&form_->TimeLbl)) != "12:34:56"; ++i) PumpDelay(loop_, 0.02);
  EXPECT_EQ(Text(Control(&form_->TimeLbl)), "12:34:56");
}

TEST_F(MainWindowTest, UserActionsChangeTheComponents) {
  TMain& f = *form_;
  Notify(Control(&f.AccumChk), BN_CLICKED);
  EXPECT_TRUE(f.AccumChk.checked);
  EXPECT_EQ(SendMessageA(Control(&f.AccumChk), BM_GETCHECK, 0, 0), BST_CHECKED);
  Notify(Control(&f.AccumChk), BN_CLICKED);
  EXPECT_FALSE(f.AccumChk.checked);

  Notify(Control(&f.ModeGrp, 2), BN_CLICKED);
  EXPECT_EQ(f.ModeGrp.itemIndex, 1);
  Notify(Control(&f.ModeGrp, 1), BN_CLICKED);
  EXPECT_EQ(f.ModeGrp.itemIndex, 0);

  HWND radar = Control(&f.RadarCmb);
  SetWindowTextA(radar, "TX,Houston,HGX");
  Notify(radar, CBN_EDITCHANGE);
  EXPECT_EQ(f.RadarCmb.text, "TX,Houston,HGX");

  f.ProductCmb.items = {"N0S, Storm Relative Motion", "N0V, Velocity"};
  window_->Refresh();
  HWND product = Control(&f.ProductCmb);
  SendMessageA(product, CB_SETCURSEL, 1, 0);
  Notify(product, CBN_SELCHANGE);
  EXPECT_EQ(f.ProductCmb.itemIndex, 1);
  EXPECT_EQ(f.ProductCmb.text, "N0V, Velocity");
  EXPECT_EQ(beeps_, 0);
}

TEST_F(MainWindowTest, SelectorKeysOpenTheListOrMoveToTheNextControl) {
  TMain& f = *form_;
  f.TargetCmb.items = {dir_.Path()};
  f.RadarCmb.items = {"IL,Chicago,LOT", "TX,Houston,HGX"};
  window_->Show();
  SetForegroundWindow(window_->Handle());
  auto press = [this](HWND to, WPARAM key) {
    PostMessageA(to, WM_KEYDOWN, key, 1);
    loop_.ProcessMessages();
  };
  auto focusIn = [](HWND control) { return GetFocus() == control || GetParent(GetFocus()) == control; };

  HWND radar = Control(&f.RadarCmb);
  SetFocus(radar);
  ASSERT_TRUE(focusIn(radar));
  const std::string before = Text(radar);  // the loaded setting
  press(GetFocus(), 'T');
  EXPECT_TRUE(SendMessageA(radar, CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_EQ(Text(radar), before) << "the key that opened the list types nothing";
  press(GetFocus(), VK_TAB);
  EXPECT_TRUE(focusIn(Control(&f.ProductCmb)));
  EXPECT_FALSE(SendMessageA(radar, CB_GETDROPPEDSTATE, 0, 0)) << "leaving the radar list closes it";
  press(GetFocus(), VK_TAB);
  EXPECT_EQ(GetFocus(), Control(&f.AccumChk));

  SetFocus(Control(&f.TargetCmb));
  press(GetFocus(), VK_DOWN);
  EXPECT_TRUE(SendMessageA(Control(&f.TargetCmb), CB_GETDROPPEDSTATE, 0, 0));
  press(GetFocus(), VK_TAB);
  EXPECT_EQ(GetFocus(), Control(&f.AddTargetBtn));
}

TEST_F(MainWindowTest, MinimisedStateGoesBothWays) {
  form_->TargetCmb.items = {dir_.Path()};
  window_->Show();
  HWND hwnd = window_->Handle();
  ShowWindow(hwnd, SW_MINIMIZE);  // as the title bar's button does
  EXPECT_TRUE(form_->Form.minimized);
  EXPECT_FALSE(IsWindowVisible(hwnd)) << "a minimised program has no taskbar button";
  form_->Form.visible = true;
  form_->Form.minimized = false;
  window_->Refresh();
  EXPECT_TRUE(IsWindowVisible(hwnd));
  EXPECT_FALSE(IsIconic(hwnd));
  form_->Form.minimized = true;
  window_->Refresh();
  EXPECT_TRUE(IsIconic(hwnd));
}

TEST_F(MainWindowTest, AboutBoxIsModalAndKeepsTheLoopServed) {
  std::unique_ptr<ShellCommands> shell = CreateWin32Shell([this] { return window_->Handle(); });
  form_->TargetCmb.items = {dir_.Path()};
  window_->Show();
  std::string caption, version;
  RECT client{};
  bool ownerDisabled = false;
  int ticks = 0;
  // A timer of the main window keeps ticking while the box is open.
  Timer tick(loop_, 10, true, [&] {
    HWND box = FindWindowA("TAboutBox", nullptr);
    if (++ticks < 3 || !box) return;
    caption = Text(box);
    GetClientRect(box, &client);
    HWND label = FindWindowExA(box, nullptr, "STATIC", "Ombrix");
    version = label ? Text(label) : "";
    ownerDisabled = !IsWindowEnabled(window_->Handle());
    PostMessageA(box, WM_COMMAND, IDOK, 0);
  });
  shell->ShowAboutBox(form_->AboutBox);  // returns when OK is pressed
  EXPECT_GE(ticks, 3);
  EXPECT_EQ(caption, "About Ombrix");
  EXPECT_EQ(client.right, 294);
  EXPECT_EQ(client.bottom, 263);
  EXPECT_EQ(version, "Ombrix");
  EXPECT_TRUE(ownerDisabled);
  EXPECT_TRUE(IsWindowEnabled(window_->Handle()));
  EXPECT_EQ(FindWindowA("TAboutBox", nullptr), nullptr);
}

TEST_F(MainWindowTest, FileExitClosesThroughTheCloseSteps) {
  HWND hwnd = window_->Handle();
  ChooseMenu(form_->EXit1);
  EXPECT_TRUE(IsWindow(hwnd)) << "the close runs from the message loop, after the handler";
  loop_.ProcessMessages();
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(window_->Handle(), nullptr);
  EXPECT_TRUE(Closing) << "FormCloseQuery ran";
  MSG msg;
  EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) << "the message loop ends";
  window_->Refresh();  // harmless once the window is gone
}

}  // namespace
}  // namespace ombrix

namespace ombrix {
namespace {

BOOL CALLBACK FindTips(HWND hwnd, LPARAM lParam) {
  char cls[64] = {};
  GetClassNameA(hwnd, cls, sizeof cls);
  if (std::string(cls) == TOOLTIPS_CLASSA) {
    *reinterpret_cast<HWND*>(lParam) = hwnd;
    return FALSE;
  }
  return TRUE;
}

TEST_F(MainWindowTest, HintsStayUpForTheLoadedHintPause) {
  HWND tips = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindTips, reinterpret_cast<LPARAM>(&tips));
  ASSERT_NE(tips, nullptr);
  EXPECT_EQ(SendMessageA(tips, TTM_GETDELAYTIME, TTDT_AUTOPOP, 0), 6000) << "the default of a new settings file";
  form_->HintHidePause = 2500;
  window_->Refresh();
  EXPECT_EQ(SendMessageA(tips, TTM_GETDELAYTIME, TTDT_AUTOPOP, 0), 2500);
}

}  // namespace
}  // namespace ombrix

namespace ombrix {
namespace {

// The open pop-up menu's items, read from inside its modal loop and then
// closed: "caption|checked|grayed" per item.
std::vector<std::string> g_menuSeen;
void CALLBACK ReadOpenMenu(HWND, UINT, UINT_PTR id, DWORD) {
  HWND popup = FindWindowA("#32768", nullptr);
  if (!popup) return;
  KillTimer(nullptr, id);
  HMENU menu = reinterpret_cast<HMENU>(SendMessageA(popup, MN_GETHMENU, 0, 0));
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    char text[128] = {};
    GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
    UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
    g_menuSeen.push_back(std::string(text) + ((state & MF_CHECKED) ? "|checked" : "") +
                         ((state & MF_GRAYED) ? "|grayed" : ""));
  }
  EndMenu();
}

TEST_F(MainWindowTest, GridMenuFollowsTheRecordAndTheHintBoxSpellsOutErrors) {
  TMain& f = *form_;
  f.TargetCmb.items = {dir_.Path()};
  window_->Show();
  auto* r = f.RadarList.Add("k", std::make_unique<TRadarObj>());
  r->InitFromSelection("IL,Chicago,LOT", "Base Reflectivity, N0R", ServerSettings::Defaults());
  r->DownloadErrors = 2;
  r->ConvertErrors = 5;
  f.RefreshGrid();
  window_->Refresh();
  HWND grid = Control(&f.RadarGrid);

  // A context menu over the grid opens RadarPopup with the record's captions.
  g_menuSeen.clear();
  SetTimer(nullptr, 0, 30, ReadOpenMenu);
  RECT item{LVIR_BOUNDS, 0, 0, 0};
  SendMessageA(grid, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
  POINT at{item.left + 20, item.top + 5};
  ClientToScreen(grid, &at);
  SendMessageA(window_->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(grid), MAKELPARAM(at.x, at.y));
  EXPECT_EQ(g_menuSeen, (std::vector<std::string>{"Accumulate images", "Disable downloads", "Delete &Record",
                                                  "Download current record", "&Browse to LOT_N0R_0",
                                                  "&View Underlay LOT_N0R_0", "&Cancel"}));
  ChooseMenu(f.RadarPopup.Accumulateimages1);
  EXPECT_EQ(GridText(0, 6), "Yes");

  // Hovering over the "Errors" cell, then over the panel around the grid.
  RECT errors{LVIR_BOUNDS, 8, 0, 0};
  SendMessageA(grid, LVM_GETSUBITEMRECT, 0, reinterpret_cast<LPARAM>(&errors));
  SendMessageA(grid, WM_MOUSEMOVE, 0, MAKELPARAM(errors.left + 5, errors.top + 5));
  EXPECT_EQ(window_->GridHintText(), "Errors : Access=2,Conversion=5");
  SendMessageA(window_->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(300, 250));
  EXPECT_EQ(window_->GridHintText(), "");
  EXPECT_EQ(beeps_, 0);
}

TEST_F(MainWindowTest, TrayIconLivesWithTheWindowAndOpensItsMenu) {
  TMain& f = *form_;
  EXPECT_EQ(window_->TrayTip(), "Ombrix 2.2.1") << "from creation on";
  f.TargetCmb.items = {dir_.Path()};
  window_->Show();
  HWND hwnd = window_->Handle();
  f.SetTrayTip("Underlay = LOT_N0R_0, a caption long enough to be cut at sixty-three characters");
  window_->Refresh();
  EXPECT_EQ(window_->TrayTip(), "Underlay = LOT_N0R_0, a caption long enough to be cut at sixty-");

  // The tray menu opens with its five items; Exit takes the icon away first.
  g_menuSeen.clear();
  SetTimer(nullptr, 0, 30, ReadOpenMenu);
  SendMessageA(hwnd, WM_USER + 100, 1, WM_RBUTTONDOWN);
  // (Timer1's first tick greys "Radar Zoom" while no record matches.)
  ASSERT_EQ(g_menuSeen.size(), 5u);
  g_menuSeen[1] = g_menuSeen[1].substr(0, g_menuSeen[1].find('|'));
  EXPECT_EQ(g_menuSeen, (std::vector<std::string>{"&Loop Radar|grayed", "Radar Zoom", "&Restore", "E&Xit", "&Cancel"}));
  EXPECT_EQ(f.LoopLbl.caption, "....");
  ChooseMenu(f.EXit2);
  EXPECT_EQ(window_->TrayTip(), "");
  loop_.ProcessMessages();
  EXPECT_FALSE(IsWindow(hwnd));
}

}  // namespace
}  // namespace ombrix

namespace ombrix {
namespace {

// A settings file that cannot be written: every save the user starts shows
// "Unable to write to <file>" and the program runs on, except the Minimize
// toggle, which keeps its check quietly.
TEST(MainWindowErrors, UnwritableSettingsAreShownAndTheWindowStays) {
  ResetProcessState();
  test::TempDir dir;
  Win32EventLoop loop;
  FakeDialogs dialogs;
  Platform platform;
  platform.loop = &loop;
  platform.dialogs = &dialogs;
  TMain form(platform, dir.Path());
  MainWindow window(form, &loop);
  form.SettingsFile = dir / "gone\\Ombrix2.ini";
  HWND client = window.ControlOf(&form.ModeGrp, 2);
  SendMessageA(window.Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(client), BN_CLICKED),
               reinterpret_cast<LPARAM>(client));
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].text, "Unable to write to " + form.SettingsFile);
  EXPECT_EQ(Text(window.Handle()), "Ombrix 2.2.1 Client mode") << "the switch itself took place";

  SendMessageA(window.Handle(), WM_COMMAND, window.MenuIdOf(form.Minimizeonstartup1), 0);
  EXPECT_TRUE(form.Minimizeonstartup1.checked);
  EXPECT_EQ(dialogs.shown.size(), 1u);
  SendMessageA(window.Handle(), WM_COMMAND, window.MenuIdOf(form.ShutDownwhenUiViewterminates1), 0);
  EXPECT_EQ(dialogs.shown.size(), 2u);
  EXPECT_TRUE(IsWindow(window.Handle()));
  ResetProcessState();
}

}  // namespace
}  // namespace ombrix
