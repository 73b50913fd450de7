#include "host/Registry.h"

#include "util/StrUtil.h"

namespace ombrix {

std::string NormaliseRegistryKey(const std::string& key) {
  size_t begin = 0, end = key.size();
  while (begin < end && key[begin] == '\\') ++begin;
  while (end > begin && key[end - 1] == '\\') --end;
  return key.substr(begin, end - begin);
}

std::string FakeRegistry::Id(RegRoot root, const std::string& key) {
  return (root == RegRoot::CurrentUser ? "HKCU\\" : "HKCR\\") + UpperCase(NormaliseRegistryKey(key));
}

void FakeRegistry::AddKey(RegRoot root, const std::string& key) { keys_[Id(root, key)]; }

void FakeRegistry::SetString(RegRoot root, const std::string& key, const std::string& name,
                             const std::string& value) {
  keys_[Id(root, key)][UpperCase(name)] = Value{true, value};
}

void FakeRegistry::SetNumber(RegRoot root, const std::string& key, const std::string& name, unsigned value) {
  keys_[Id(root, key)][UpperCase(name)] = Value{false, std::to_string(value)};
}

void FakeRegistry::DeleteKey(RegRoot root, const std::string& key) { keys_.erase(Id(root, key)); }

bool FakeRegistry::ReadString(RegRoot root, const std::string& key, const std::string& name, std::string& value) {
  auto k = keys_.find(Id(root, key));
  if (k == keys_.end()) return false;
  value.clear();
  auto v = k->second.find(UpperCase(name));
  if (v == k->second.end()) return true;
  if (!v->second.isString) throw RegistryError("Invalid data type for '" + name + "'");
  value = v->second.text;
  return true;
}

}  // namespace ombrix
