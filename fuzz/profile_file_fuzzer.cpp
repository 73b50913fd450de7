// libFuzzer target: the profile-file reader and writer on a hostile settings
// file. The settings save (all writes in memory, one replace) must leave the
// very bytes that writing key by key leaves.
#include "FuzzInput.h"
#include "util/ProfileFile.h"

namespace {

struct KeyValue {
  const char* section;
  const char* key;
  const char* value;
};
const KeyValue kWrites[] = {{"URL", "RIDGE", "http://radar.example/"}, {"User", "Radar", "IL,Chicago,LOT"},
                            {"user", "MODE", "1"},                   {"User", "Caption", " quoted \"x\" "},
                            {"New", "Key", "v"},                     {"", "nameless", "n"}};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using ombrix::fuzz::Check;
  std::string single = ombrix::fuzz::InputFile(data, size, "single.ini");
  std::string batch = ombrix::fuzz::InputFile(data, size, "batch.ini");
  auto one = ombrix::OpenPortableProfileFile(single);
  auto all = ombrix::OpenProfileFileBatch(batch);
  for (const KeyValue& w : kWrites) {
    Check(one->ReadString(w.section, w.key, "d") == all->ReadString(w.section, w.key, "d"));
    Check(one->WriteString(w.section, w.key, w.value));
    Check(all->WriteString(w.section, w.key, w.value));
  }
  Check(all->Commit());
  std::string a, b;
  for (auto [path, out] : {std::pair{&single, &a}, std::pair{&batch, &b}}) {
    std::FILE* f = std::fopen(path->c_str(), "rb");
    Check(f != nullptr);
    char buf[4096];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) out->append(buf, n);
    std::fclose(f);
  }
  Check(a == b);
  return 0;
}
