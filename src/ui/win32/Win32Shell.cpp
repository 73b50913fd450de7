#include "ui/win32/Win32Shell.h"

#include <shellapi.h>

#include <string>

#include "ui/About.h"
#include "ui/win32/ProductIcon.h"
#include "util/win32/UniqueHandle.h"

namespace ombrix {

namespace {

constexpr const char* kAboutClass = "TAboutBox";
constexpr int kLinkId = 100;

// The About box: a fixed modal window drawn from TAboutBox. It runs its own
// message loop, which keeps serving the main window's timers meanwhile.
class AboutWindow {
 public:
  AboutWindow(TAboutBox& box, ShellCommands& shell) : box_(box), shell_(shell) {}

  void Run(HWND owner) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA wc{};
    if (!GetClassInfoExA(instance, kAboutClass, &wc)) {
      wc.cbSize = sizeof wc;
      wc.lpfnWndProc = WndProc;
      wc.hInstance = instance;
      wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
      wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
      wc.lpszClassName = kAboutClass;
      RegisterClassExA(&wc);
    }
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    const DWORD exStyle = WS_EX_DLGMODALFRAME;
    RECT r{0, 0, box_.Form.width, box_.Form.height};
    AdjustWindowRectEx(&r, style, FALSE, exStyle);
    const int w = r.right - r.left, h = r.bottom - r.top;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
    HDC screen = GetDC(nullptr);
    font_.Reset(CreateFontA(-MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                            FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                            DEFAULT_PITCH | FF_SWISS, "MS Sans Serif"));
    ReleaseDC(nullptr, screen);
    hwnd_ = CreateWindowExA(exStyle, kAboutClass, box_.Form.caption.c_str(), style, x, y, w, h, owner, nullptr,
                            instance, this);
    if (!hwnd_) return;
    if (owner) EnableWindow(owner, FALSE);
    ShowWindow(hwnd_, SW_SHOW);
    MSG msg;
    while (hwnd_) {
      const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
      if (got <= 0) {
        if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));  // for the main loop
        break;
      }
      if (hwnd_ && IsDialogMessageA(hwnd_, &msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (owner) {
      EnableWindow(owner, TRUE);
      SetActiveWindow(owner);
    }
    if (hwnd_) DestroyWindow(hwnd_);
  }

 private:
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<AboutWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (msg == WM_NCCREATE) {
      self = static_cast<AboutWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
      self->hwnd_ = hwnd;
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    if (!self) return DefWindowProcA(hwnd, msg, wParam, lParam);
    switch (msg) {
      case WM_CREATE: self->CreateControls(); return 0;
      case WM_PAINT: self->Paint(); return 0;
      case WM_CTLCOLORSTATIC: return self->Colour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
      case WM_COMMAND: self->Command(LOWORD(wParam), HIWORD(wParam)); return 0;
      case WM_CLOSE: DestroyWindow(hwnd); return 0;
      case WM_NCDESTROY: self->hwnd_ = nullptr; break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
  }

  HWND Child(const char* cls, const std::string& text, DWORD style, int x, int y, int w, int h, int id = 0) {
    HWND child = CreateWindowExA(0, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, x, y, w, h, hwnd_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr),
                                 nullptr);
    SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    return child;
  }

  void CreateControls() {
    // Contact lines break at a lone CR, like the window's hints.
    std::string comments;
    for (char c : box_.Comments.caption) {
      comments += c;
      if (c == '\r') comments += '\n';
    }
    Child("STATIC", box_.ProductName.caption, SS_LEFT | SS_NOPREFIX, 64, 24, 200, 13);
    Child("STATIC", box_.Version.caption, SS_LEFT | SS_NOPREFIX, 64, 48, 200, 13);
    Child("STATIC", comments, SS_LEFT | SS_NOPREFIX, 16, 136, 262, 40);
    link_ = Child("STATIC", box_.WebLink.caption, SS_LEFT | SS_NOPREFIX | SS_NOTIFY, 16, 184, 262, 13, kLinkId);
    HWND ok = Child("BUTTON", box_.OKButton.caption, BS_DEFPUSHBUTTON | WS_TABSTOP, 110, 226, 75, 25, IDOK);
    SetFocus(ok);
  }

  void Paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    RECT panel{8, 8, box_.Form.width - 8, 216};
    DrawEdge(dc, &panel, BDR_SUNKENOUTER, BF_RECT);
    DrawIconEx(dc, 20, 24, ProductIcon(32), 33, 25, 0, nullptr,
               DI_NORMAL);
    EndPaint(hwnd_, &ps);
  }

  LRESULT Colour(HDC dc, HWND control) {
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    if (control == link_) SetTextColor(dc, box_.WebLink.colour);
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
  }

  void Command(int id, int code) {
    if (id == IDOK || id == IDCANCEL) DestroyWindow(hwnd_);
    if (id == kLinkId && code == STN_CLICKED) shell_.Open(kOmbrixWebSite);
  }

  TAboutBox& box_;
  ShellCommands& shell_;
  HWND hwnd_ = nullptr;
  HWND link_ = nullptr;
  UniqueFont font_;
};

class Win32Shell : public ShellCommands {
 public:
  explicit Win32Shell(std::function<HWND()> owner) : owner_(std::move(owner)) {}

  void Open(const std::string& target) override {
    ShellExecuteA(GetDesktopWindow(), "open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  }
  void ShowHelpContents(const std::string& helpFile) override {
    WinHelpA(Owner(), helpFile.c_str(), HELP_FINDER, 0);
  }
  void ShowAboutBox(TAboutBox& box) override { AboutWindow(box, *this).Run(Owner()); }

 private:
  HWND Owner() const { return owner_ ? owner_() : nullptr; }
  std::function<HWND()> owner_;
};

}  // namespace

std::unique_ptr<ShellCommands> CreateWin32Shell(std::function<HWND()> ownerWindow) {
  return std::make_unique<Win32Shell>(std::move(ownerWindow));
}

}  // namespace ombrix
