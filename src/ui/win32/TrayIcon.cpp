#include "ui/win32/TrayIcon.h"

#include <shellapi.h>

#include <cstring>

namespace ombrix {

TrayIcon::TrayIcon(HWND owner, HICON icon, const std::string& tip) {
  // The first version of the record (88 bytes): every shell accepts it.
  data_.cbSize = NOTIFYICONDATAA_V1_SIZE;
  data_.hWnd = owner;
  data_.uID = kId;
  data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data_.uCallbackMessage = kCallbackMessage;
  data_.hIcon = icon;
  std::strncpy(data_.szTip, tip.c_str(), 63);
  Shell_NotifyIconA(NIM_ADD, &data_);
  shown_ = true;  // removed at the end even when the add failed
}

void TrayIcon::SetTip(const std::string& text) {
  char tip[64] = {};
  std::strncpy(tip, text.c_str(), 63);
  if (std::strcmp(tip, data_.szTip) == 0) return;
  std::memcpy(data_.szTip, tip, sizeof tip);
  if (shown_) Shell_NotifyIconA(NIM_MODIFY, &data_);
}

void TrayIcon::Remove() {
  if (!shown_) return;
  shown_ = false;
  Shell_NotifyIconA(NIM_DELETE, &data_);
}

}  // namespace ombrix
