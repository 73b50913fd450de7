// libFuzzer target: the four listing readers of the freshness check, on one
// listing: the fixed-name file time, the newest site and national archive
// names, and the time read from each name found.
#include "FuzzInput.h"
#include "acquire/Freshness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string listing = ombrix::fuzz::InputFile(data, size, "listing.htm");
  volatile double sink = ombrix::GetWebFileTime(listing, "n0r_0.png");
  sink = ombrix::ImageNameTime(ombrix::ListNewestSiteImage(listing));
  sink = ombrix::ImageNameTime(ombrix::ListNewestNationalImage(listing));
  sink = ombrix::ImageNameTime(std::string(reinterpret_cast<const char*>(data), size < 64 ? size : 64));
  (void)sink;
  return 0;
}
