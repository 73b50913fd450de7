// The steps of the program entry that touch the system: the single-instance
// mutex and the folder the program lives in.
#pragma once
#include <string>

namespace ombrix {

constexpr const char* kInstanceMutexName = "Stormvue";   // shared with older releases
constexpr const char* kInstanceMessageName = "Stormvue";  // broadcast by a second start
constexpr const char* kApplicationTitle = "Ombrix";

// Creates the mutex "Stormvue" and keeps it for the life of the process.
// When it already existed another copy runs: tells every top-level window
// through the registered message "Stormvue" and returns false.
bool ClaimSingleInstance();

// The folder of the executable, with a trailing backslash (AppDir).
std::string ExecutableFolder();

}  // namespace ombrix
