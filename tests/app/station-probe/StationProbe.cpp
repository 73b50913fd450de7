// Looks at and pokes the Ombrix.exe of the prefix it runs in, for the
// end-to-end tests that run the real program under Wine. Test code only.
//
//   StationProbe resources      one line: pid, handles (GetProcessHandleCount),
//                               table_handles (the system handle table), gdi,
//                               user (GetGuiResources), windows (EnumWindows)
//   StationProbe toggle N       clicks File > "Minimize on startup" N times,
//                               each click saving the settings file
//   StationProbe due            selects each record of the grid in turn and
//                               clicks "Download": every record is due now
#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

namespace {

DWORD FindOmbrix() {
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return 0;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  DWORD pid = 0;
  for (BOOL more = Process32First(snap, &entry); more && !pid; more = Process32Next(snap, &entry))
    if (lstrcmpiA(entry.szExeFile, "Ombrix.exe") == 0) pid = entry.th32ProcessID;
  CloseHandle(snap);
  return pid;
}

struct WindowCount {
  DWORD pid;
  int count = 0;
  HWND main = nullptr;
};

BOOL CALLBACK CountChild(HWND, LPARAM lParam) {
  ++reinterpret_cast<WindowCount*>(lParam)->count;
  return TRUE;
}

// Every window of the process, top-level and child: what GetGuiResources
// would count as USER objects where Wine does not count them itself.
BOOL CALLBACK CountTopLevel(HWND hwnd, LPARAM lParam) {
  auto* c = reinterpret_cast<WindowCount*>(lParam);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != c->pid) return TRUE;
  ++c->count;
  char cls[64] = {};
  GetClassNameA(hwnd, cls, sizeof cls);
  if (std::strcmp(cls, "TMain") == 0) c->main = hwnd;
  EnumChildWindows(hwnd, CountChild, lParam);
  return TRUE;
}

WindowCount Windows(DWORD pid) {
  WindowCount c{pid};
  EnumWindows(CountTopLevel, reinterpret_cast<LPARAM>(&c));
  return c;
}

// The system's handle table, as NtQuerySystemInformation gives it: Wine's
// GetProcessHandleCount answers 0 for another process, this list does not.
struct HandleEntry {
  ULONG ownerPid;
  BYTE objectType;
  BYTE flags;
  USHORT handle;
  PVOID object;
  ACCESS_MASK access;
};
struct HandleTable {
  ULONG count;
  HandleEntry entries[1];
};
constexpr SYSTEM_INFORMATION_CLASS kSystemHandleInformation = static_cast<SYSTEM_INFORMATION_CLASS>(16);

long HandlesInSystemTable(DWORD pid) {
  using Query = NTSTATUS(WINAPI*)(SYSTEM_INFORMATION_CLASS, PVOID, ULONG, PULONG);
  auto query = reinterpret_cast<Query>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
  if (!query) return -1;
  for (ULONG size = 1 << 16; size <= (1u << 26); size *= 4) {
    std::vector<BYTE> buf(size);
    ULONG needed = 0;
    if (query(kSystemHandleInformation, buf.data(), size, &needed) != 0) continue;
    auto* table = reinterpret_cast<HandleTable*>(buf.data());
    long n = 0;
    for (ULONG i = 0; i < table->count; ++i)
      if (table->entries[i].ownerPid == pid) ++n;
    return n;
  }
  return -1;
}

int Resources(DWORD pid) {
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
  if (!process) {
    std::printf("error cannot open process %lu\n", pid);
    return 1;
  }
  DWORD handles = 0;
  BOOL handlesOk = GetProcessHandleCount(process, &handles);
  DWORD gdi = GetGuiResources(process, GR_GDIOBJECTS);
  DWORD user = GetGuiResources(process, GR_USEROBJECTS);
  CloseHandle(process);
  std::printf("pid=%lu handles=%ld table_handles=%ld gdi=%lu user=%lu windows=%d\n", pid,
              handlesOk ? static_cast<long>(handles) : -1L, HandlesInSystemTable(pid), gdi, user, Windows(pid).count);
  return 0;
}

int Toggle(DWORD pid, int times) {
  HWND main = Windows(pid).main;
  if (!main) {
    std::printf("error no main window\n");
    return 1;
  }
  // Wine keeps menus per process, so the item cannot be read from here;
  // the window numbers its commands from 1000 in creation order, and the
  // menu, "Minimize on startup" first, is made before the controls.
  const UINT minimize = 1000;
  for (int i = 0; i < times; ++i) {
    // Sent, not posted: each click has saved the settings when it returns.
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(main, WM_COMMAND, MAKEWPARAM(minimize, 0), 0, SMTO_ABORTIFHUNG, 20000, &result)) {
      std::printf("error the window did not answer\n");
      return 1;
    }
  }
  std::printf("toggled %d\n", times);
  return 0;
}

BOOL CALLBACK FindChild(HWND hwnd, LPARAM lParam) {
  auto* wanted = reinterpret_cast<std::pair<const char*, HWND>*>(lParam);
  char text[64] = {};
  GetClassNameA(hwnd, text, sizeof text);
  if (lstrcmpiA(text, wanted->first) == 0) {
    wanted->second = hwnd;
    return FALSE;
  }
  GetWindowTextA(hwnd, text, sizeof text);
  if (std::strcmp(text, wanted->first) == 0) {
    wanted->second = hwnd;
    return FALSE;
  }
  return TRUE;
}

HWND Child(HWND parent, const char* classOrText) {
  std::pair<const char*, HWND> wanted{classOrText, nullptr};
  EnumChildWindows(parent, FindChild, reinterpret_cast<LPARAM>(&wanted));
  return wanted.second;
}

int MakeDue(DWORD pid) {
  HWND main = Windows(pid).main;
  HWND grid = main ? Child(main, WC_LISTVIEWA) : nullptr;
  HWND download = main ? Child(main, "Download") : nullptr;
  if (!grid || !download) {
    std::printf("error no grid or no Download button\n");
    return 1;
  }
  // The selection goes through the grid's own notification, as a click would.
  HANDLE target = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid);
  void* remote = target ? VirtualAllocEx(target, nullptr, sizeof(LVITEMA), MEM_COMMIT, PAGE_READWRITE) : nullptr;
  if (!remote) {
    std::printf("error no memory in the process\n");
    return 1;
  }
  const int rows = static_cast<int>(SendMessageA(grid, LVM_GETITEMCOUNT, 0, 0));
  DWORD_PTR result = 0;
  for (int row = 0; row < rows; ++row) {
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    WriteProcessMemory(target, remote, &item, sizeof item, nullptr);
    SendMessageTimeoutA(grid, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(remote), SMTO_ABORTIFHUNG, 20000,
                        &result);
    // The click may run a whole pass before it returns: wait only a little.
    SendMessageTimeoutA(main, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(download), BN_CLICKED),
                        reinterpret_cast<LPARAM>(download), SMTO_ABORTIFHUNG, 2000, &result);
  }
  VirtualFreeEx(target, remote, 0, MEM_RELEASE);
  CloseHandle(target);
  std::printf("due %d\n", rows);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const DWORD pid = FindOmbrix();
  if (!pid) {
    std::printf("error no Ombrix.exe\n");
    return 1;
  }
  if (argc >= 2 && std::strcmp(argv[1], "resources") == 0) return Resources(pid);
  if (argc >= 3 && std::strcmp(argv[1], "toggle") == 0) return Toggle(pid, std::atoi(argv[2]));
  if (argc >= 2 && std::strcmp(argv[1], "due") == 0) return MakeDue(pid);
  std::printf("usage: StationProbe resources | toggle N | due\n");
  return 2;
}
