// Message boxes and the folder browser (SHBrowseForFolderA, file-system
// folders only, owned by the main window so the rest of it is disabled).
#include <windows.h>
#include <shlobj.h>

#include "ui/Dialogs.h"

namespace ombrix {

namespace {

class Win32Dialogs : public Dialogs {
 public:
  explicit Win32Dialogs(std::function<void*()> owner) : owner_(std::move(owner)) {}

  void ShowError(const std::string& text) override { Box(text, MB_OK | MB_ICONERROR); }
  bool Confirm(const std::string& text) override { return Box(text, MB_YESNO | MB_ICONQUESTION) == IDYES; }
  void ShowMessage(const std::string& text) override { Box(text, MB_OK); }

  std::optional<std::string> BrowseForFolder(const std::string& title) override {
    BROWSEINFOA info = {};
    info.hwndOwner = Owner();
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    LPITEMIDLIST chosen = SHBrowseForFolderA(&info);
    if (!chosen) return std::nullopt;
    char path[MAX_PATH] = "";
    BOOL ok = SHGetPathFromIDListA(chosen, path);
    CoTaskMemFree(chosen);
    if (!ok) return std::nullopt;
    return std::string(path);
  }

 private:
  HWND Owner() const { return owner_ ? static_cast<HWND>(owner_()) : nullptr; }
  int Box(const std::string& text, UINT flags) { return MessageBoxA(Owner(), text.c_str(), "Ombrix", flags); }
  std::function<void*()> owner_;
};

}  // namespace

std::unique_ptr<Dialogs> CreateSystemDialogs(std::function<void*()> ownerWindow) {
  return std::make_unique<Win32Dialogs>(std::move(ownerWindow));
}

}  // namespace ombrix
