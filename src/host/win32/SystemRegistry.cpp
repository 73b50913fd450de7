// The registry through RegOpenKeyExA (KEY_READ) and RegQueryValueExA. The
// program is 32-bit, so it sees the 32-bit view PMapServer registers in.
#include <windows.h>

#include <vector>

#include "host/Registry.h"

namespace ombrix {

namespace {

class KeyHandle {
 public:
  KeyHandle() = default;
  ~KeyHandle() {
    if (key_) RegCloseKey(key_);
  }
  KeyHandle(const KeyHandle&) = delete;
  KeyHandle& operator=(const KeyHandle&) = delete;
  HKEY* Out() { return &key_; }
  HKEY Get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

class Win32Registry : public Registry {
 public:
  bool ReadString(RegRoot root, const std::string& key, const std::string& name, std::string& value) override {
    HKEY base = root == RegRoot::CurrentUser ? HKEY_CURRENT_USER : HKEY_CLASSES_ROOT;
    KeyHandle handle;
    if (RegOpenKeyExA(base, NormaliseRegistryKey(key).c_str(), 0, KEY_READ, handle.Out()) != ERROR_SUCCESS)
      return false;
    value.clear();
    DWORD type = 0, size = 0;
    LONG rc = RegQueryValueExA(handle.Get(), name.c_str(), nullptr, &type, nullptr, &size);
    if (rc == ERROR_FILE_NOT_FOUND) return true;
    if (rc != ERROR_SUCCESS && rc != ERROR_MORE_DATA) throw RegistryError("Unable to read '" + name + "'");
    if (type != REG_SZ && type != REG_EXPAND_SZ) throw RegistryError("Invalid data type for '" + name + "'");
    // The value may change between the two calls; retry with the new size.
    for (int attempt = 0; attempt < 4; ++attempt) {
      std::vector<char> buffer(size + 1, '\0');
      DWORD got = size;
      rc = RegQueryValueExA(handle.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                            &got);
      if (rc == ERROR_MORE_DATA) {
        size = got;
        continue;
      }
      if (rc != ERROR_SUCCESS) throw RegistryError("Unable to read '" + name + "'");
      if (type != REG_SZ && type != REG_EXPAND_SZ) throw RegistryError("Invalid data type for '" + name + "'");
      // Stored strings normally carry their terminating zero; not all do.
      value.assign(buffer.data(), got);
      while (!value.empty() && value.back() == '\0') value.pop_back();
      return true;
    }
    throw RegistryError("Unable to read '" + name + "'");
  }
};

}  // namespace

std::unique_ptr<Registry> OpenSystemRegistry() { return std::make_unique<Win32Registry>(); }

}  // namespace ombrix
