// UI-View32 runs only on Windows (or under Wine): a native build never connects.
#include "host/UiViewLink.h"

namespace ombrix {

namespace {
class NoUiViewLink : public UiViewLink {
 public:
  void Connect() override { throw UiViewError("UI-View32 automation needs Windows"); }
  void Disconnect() override {}
  void RedrawMap() override { Connect(); }
  void ZoomToArea(double, double, double, double) override { Connect(); }
};
}  // namespace

std::unique_ptr<UiViewLink> CreateUiViewLink() { return std::make_unique<NoUiViewLink>(); }

}  // namespace ombrix
