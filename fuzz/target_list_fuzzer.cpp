// libFuzzer target: the target folder list ("TargetDirList.txt"). What is
// read writes back and reads again as the same entries.
#include "FuzzInput.h"
#include "host/TargetList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> items;
  if (!ombrix::LoadTargetList(ombrix::fuzz::InputFile(data, size, "TargetDirList.txt"), items)) return 0;
  ombrix::fuzz::Check(ombrix::ParseTargetList(ombrix::FormatTargetList(items)) == items);
  if (!items.empty()) ombrix::IndexOfTarget(items, items.back());
  return 0;
}
