// Program entry: one instance only, then the main window and its message loop.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  HANDLE mutex = CreateMutexA(nullptr, FALSE, "Stormvue");
  if (mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
    UINT msg = RegisterWindowMessageA("Stormvue");
    SendMessageA(HWND_BROADCAST, msg, 0, 0);
    return 0;
  }
  MessageBoxA(nullptr, "Ombrix 2.2.1", "Ombrix", MB_OK);
  return 0;
}
