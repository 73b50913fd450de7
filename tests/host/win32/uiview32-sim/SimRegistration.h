// Registers the simulated UI-View32 as a local server, the way an installed
// UI-View32 is registered: clsUIV under LocalServer32, and a type library
// for its interfaces so COM can marshal calls and events across processes.
#pragma once
#include <string>

namespace uiview32_sim {

// Throws std::runtime_error with the step that failed.
void RegisterServer(const std::string& exePath);
void UnregisterServer();

}  // namespace uiview32_sim
