// An in-memory profile file for tests: sections and keys without regard to
// case, a value written replaces the old one in place, new keys go to the end
// of their section. It can refuse writes from a given write on, like a
// read-only file would, and it can be shared between several opens.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "util/ProfileFile.h"
#include "util/StrUtil.h"

namespace ombrix::test {

struct FakeProfileStore {
  struct Section {
    std::string name;
    std::vector<std::pair<std::string, std::string>> keys;
  };
  std::vector<Section> sections;
  std::vector<std::string> writes;  // "Section.Key" in write order
  int refuseFromWrite = -1;         // 0-based write number that fails, and all after it

  Section* Find(const std::string& section) {
    for (Section& s : sections)
      if (SameText(s.name, section)) return &s;
    return nullptr;
  }
  const std::string* Value(const std::string& section, const std::string& key) {
    if (Section* s = Find(section))
      for (auto& kv : s->keys)
        if (SameText(kv.first, key)) return &kv.second;
    return nullptr;
  }
  void Set(const std::string& section, const std::string& key, const std::string& value) {
    Section* s = Find(section);
    if (!s) {
      sections.push_back({section, {}});
      s = &sections.back();
    }
    for (auto& kv : s->keys)
      if (SameText(kv.first, key)) {
        kv.second = value;
        return;
      }
    s->keys.emplace_back(key, value);
  }
  int KeyCount() const {
    int n = 0;
    for (const Section& s : sections) n += static_cast<int>(s.keys.size());
    return n;
  }
};

class FakeProfileFile : public ProfileFile {
 public:
  FakeProfileFile(std::shared_ptr<FakeProfileStore> store, std::string path)
      : store_(std::move(store)), path_(std::move(path)) {}
  std::string ReadString(const std::string& section, const std::string& key, const std::string& def) override {
    const std::string* v = store_->Value(section, key);
    return v ? *v : def;
  }
  bool WriteString(const std::string& section, const std::string& key, const std::string& value) override {
    if (store_->refuseFromWrite >= 0 && static_cast<int>(store_->writes.size()) >= store_->refuseFromWrite)
      return false;
    store_->writes.push_back(section + "." + key);
    store_->Set(section, key, value);
    return true;
  }
  const std::string& Path() const override { return path_; }

 private:
  std::shared_ptr<FakeProfileStore> store_;
  std::string path_;
};

// A factory for Platform::openProfile that opens every path on one store.
inline std::function<std::unique_ptr<ProfileFile>(const std::string&)> FakeProfileOpener(
    std::shared_ptr<FakeProfileStore> store) {
  return [store](const std::string& path) { return std::make_unique<FakeProfileFile>(store, path); };
}

}  // namespace ombrix::test
