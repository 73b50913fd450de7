// The product's name and version as every caption, log line and tip shows it.
#pragma once

namespace ombrix {

inline constexpr const char* kProductName = "Ombrix 2.2.1";

}  // namespace ombrix
