#include "support/win32/GuiDriver.h"

#include <commctrl.h>

#include "util/win32/UniqueHandle.h"

namespace ombrix::test {

namespace {

struct Search {
  DWORD process;
  const char* cls;
  HWND found = nullptr;
};

BOOL CALLBACK MatchTopLevel(HWND hwnd, LPARAM lParam) {
  auto* s = reinterpret_cast<Search*>(lParam);
  DWORD process = 0;
  GetWindowThreadProcessId(hwnd, &process);
  char cls[64] = {};
  GetClassNameA(hwnd, cls, sizeof cls);
  if (process == s->process && std::string(cls) == s->cls && IsWindowVisible(hwnd)) {
    s->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

struct ChildSearch {
  std::string text;
  const char* cls;
  int index;
  bool prefix = false;
  HWND found = nullptr;
};

BOOL CALLBACK MatchChild(HWND hwnd, LPARAM lParam) {
  auto* s = reinterpret_cast<ChildSearch*>(lParam);
  if (s->cls) {
    char cls[64] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (lstrcmpiA(cls, s->cls) != 0 || s->index-- > 0) return TRUE;
  } else {
    const std::string text = GuiDriver::Text(hwnd);
    if (s->prefix ? text.rfind(s->text, 0) != 0 : text != s->text) return TRUE;
    if (s->index-- > 0) return TRUE;
  }
  s->found = hwnd;
  return FALSE;
}

}  // namespace

HWND GuiDriver::WaitForWindow(const char* cls, int ms) const {
  Search s{process_, cls};
  WaitFor(
      [&] {
        EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&s));
        return s.found != nullptr;
      },
      ms);
  return s.found;
}

HWND GuiDriver::Child(HWND parent, const std::string& text, int index, bool prefix) {
  ChildSearch s{text, nullptr, index, prefix};
  EnumChildWindows(parent, MatchChild, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

HWND GuiDriver::ChildOfClass(HWND parent, const char* cls, int index) {
  ChildSearch s{"", cls, index};
  EnumChildWindows(parent, MatchChild, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

std::string GuiDriver::Text(HWND hwnd) {
  char text[512] = {};
  // A time-out, so a hung program fails the test instead of blocking it.
  SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                      nullptr);
  return text;
}

void GuiDriver::Click(HWND button) { PostMessageA(button, BM_CLICK, 0, 0); }

void GuiDriver::Type(HWND parentWindow, HWND field, const std::string& text) {
  SendMessageTimeoutA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, 5000, nullptr);
  // What typing makes an editable list tell its parent.
  PostMessageA(parentWindow, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(field), CBN_EDITCHANGE),
               reinterpret_cast<LPARAM>(field));
}

std::string GuiDriver::AnswerMessageBox(int button, int ms) const {
  HWND box = WaitForWindow("#32770", ms);
  if (!box) return "";
  HWND label = GetDlgItem(box, 0xFFFF);  // the message text
  std::string text = label ? Text(label) : Text(box);
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
  WaitFor([box] { return !IsWindow(box); }, 10000);
  return text;
}

bool GuiDriver::UseOpenMenu(const std::vector<WPARAM>& keyDowns, char accessKey, int ms) const {
  HWND menu = WaitForWindow("#32768", ms);
  if (!menu) return false;
  for (WPARAM key : keyDowns) PostMessageA(menu, WM_KEYDOWN, key, 0);
  if (accessKey) PostMessageA(menu, WM_CHAR, static_cast<WPARAM>(accessKey), 0);
  return WaitFor([menu] { return !IsWindowVisible(menu); }, 10000);
}

std::vector<std::vector<std::string>> GuiDriver::ListViewRows(HWND list, int columns) const {
  std::vector<std::vector<std::string>> rows;
  UniqueKernelHandle target(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, process_));
  if (!target) return rows;
  // LVM_GETITEMTEXT writes into the caller's buffer: it must live in the
  // list view's process.
  constexpr SIZE_T kText = 512;
  void* remote = VirtualAllocEx(target.Get(), nullptr, sizeof(LVITEMA) + kText, MEM_COMMIT, PAGE_READWRITE);
  if (!remote) return rows;
  char* remoteText = static_cast<char*>(remote) + sizeof(LVITEMA);
  const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  for (int r = 0; r < count; ++r) {
    std::vector<std::string> row;
    for (int c = 0; c < columns; ++c) {
      LVITEMA item{};
      item.iSubItem = c;
      item.pszText = remoteText;
      item.cchTextMax = kText;
      WriteProcessMemory(target.Get(), remote, &item, sizeof item, nullptr);
      SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(r), reinterpret_cast<LPARAM>(remote));
      char text[kText] = {};
      ReadProcessMemory(target.Get(), remoteText, text, kText - 1, nullptr);
      row.emplace_back(text);
    }
    rows.push_back(std::move(row));
  }
  VirtualFreeEx(target.Get(), remote, 0, MEM_RELEASE);
  return rows;
}

}  // namespace ombrix::test
