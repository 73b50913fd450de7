// The program's icon in the taskbar notification area, with its tip. Every
// failure is ignored: a missing icon only costs the tray entry.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <string>

namespace ombrix {

class TrayIcon {
 public:
  static constexpr UINT kCallbackMessage = WM_USER + 100;  // 1124; the mouse message in lParam
  static constexpr UINT kId = 1;

  TrayIcon(HWND owner, HICON icon, const std::string& tip);  // adds the icon
  ~TrayIcon() { Remove(); }
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;

  // Shows at most the first 63 characters; does nothing when unchanged.
  void SetTip(const std::string& text);
  void Remove();
  bool Shown() const { return shown_; }
  const char* Tip() const { return data_.szTip; }

 private:
  NOTIFYICONDATAA data_{};
  bool shown_ = false;
};

}  // namespace ombrix
