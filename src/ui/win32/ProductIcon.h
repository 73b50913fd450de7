// The program's icon, drawn at start: a radar scope (a dark disc with range
// rings and a lime sweep). Used by the window class, the tray and the About box.
#pragma once
#include <windows.h>

namespace ombrix {

// The same icon for the whole run; the system frees it at exit.
HICON ProductIcon(int size = 32);

}  // namespace ombrix
