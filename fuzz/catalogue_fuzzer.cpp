// libFuzzer target: the product and radar catalogues ("Products.txt",
// "Radars.txt"), sorted as the selectors keep them, each entry turned into
// the record it would give.
#include "FuzzInput.h"
#include "records/Catalogues.h"
#include "records/RadarObj.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> items;
  if (!ombrix::LoadCatalogueFile(ombrix::fuzz::InputFile(data, size, "Radars.txt"), items)) return 0;
  ombrix::SortItems(items);
  const ombrix::ServerSettings servers = ombrix::ServerSettings::Defaults();
  for (size_t i = 0; i < items.size() && i < 64; ++i) {
    ombrix::TRadarObj r;
    r.InitFromSelection(items[i], ombrix::ProductRecordForm(items[items.size() - 1 - i]), servers);
  }
  return 0;
}
