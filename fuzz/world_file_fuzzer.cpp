// libFuzzer target: world files (markup stripping, the six numbers) and the
// bounds built from them. The bounds text must never carry a value that is
// not a finite 32-bit float.
#include <string>

#include "FuzzInput.h"
#include "records/RadarObj.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using ombrix::fuzz::Check;
  ombrix::TRadarObj r;
  r.LoadWorldFile(ombrix::fuzz::InputFile(data, size, "w.gfw"));
  const auto finite = [](const std::string& text) {
    return text.find("INF") == std::string::npos && text.find("NAN") == std::string::npos;
  };
  Check(finite(r.WorldText));
  r.ComputeBounds(6000, 2600);
  Check(finite(r.WorldText));
  return 0;
}
