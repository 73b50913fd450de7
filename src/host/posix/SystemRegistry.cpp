// Linux has no registry: every key is missing, as on a PC without UI-View32.
#include "host/Registry.h"

namespace ombrix {

namespace {
class NoRegistry : public Registry {
 public:
  bool ReadString(RegRoot, const std::string&, const std::string&, std::string&) override { return false; }
};
}  // namespace

std::unique_ptr<Registry> OpenSystemRegistry() { return std::make_unique<NoRegistry>(); }

}  // namespace ombrix
