// Read-only access to registry string values: where UI-View32 and PMapServer
// say they are installed. The program never writes the registry.
#pragma once
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

namespace ombrix {

enum class RegRoot { CurrentUser, ClassesRoot };

// A value exists but is not a string (REG_SZ or REG_EXPAND_SZ), or the
// registry failed in a way other than a missing key.
struct RegistryError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class Registry {
 public:
  virtual ~Registry() = default;
  // Opens `key` under `root` read-only and reads the value `name` ("" is the
  // default value). False when the key does not open. An absent or empty
  // value reads as "" with true; a value of another type throws RegistryError.
  // Key paths may start and end with "\"; both are ignored.
  virtual bool ReadString(RegRoot root, const std::string& key, const std::string& name, std::string& value) = 0;
};

// The machine's registry: the real one on Windows; elsewhere one that holds
// no keys at all (there is no UI-View32 to find on Linux).
std::unique_ptr<Registry> OpenSystemRegistry();

// "\A\B\" and "a\b" name the same key.
std::string NormaliseRegistryKey(const std::string& key);

// An in-memory registry for tests and for ombrix-tool on Linux. Keys and
// value names match without regard to case, like the real one.
class FakeRegistry : public Registry {
 public:
  void AddKey(RegRoot root, const std::string& key);
  void SetString(RegRoot root, const std::string& key, const std::string& name, const std::string& value);
  // A value of a non-string type (a DWORD, say).
  void SetNumber(RegRoot root, const std::string& key, const std::string& name, unsigned value);
  void DeleteKey(RegRoot root, const std::string& key);
  void Clear() { keys_.clear(); }

  bool ReadString(RegRoot root, const std::string& key, const std::string& name, std::string& value) override;

 private:
  struct Value {
    bool isString = true;
    std::string text;
  };
  using Values = std::map<std::string, Value>;  // by upper-case name
  std::map<std::string, Values> keys_;           // by root + upper-case key
  static std::string Id(RegRoot root, const std::string& key);
};

}  // namespace ombrix
