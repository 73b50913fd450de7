// Without a desktop the dialogs become lines on stderr; questions get No.
#include <cstdio>

#include "ui/Dialogs.h"

namespace ombrix {

namespace {
class ConsoleDialogs : public Dialogs {
 public:
  void ShowError(const std::string& text) override { std::fprintf(stderr, "error: %s\n", text.c_str()); }
  bool Confirm(const std::string& text) override {
    std::fprintf(stderr, "question (answered No): %s\n", text.c_str());
    return false;
  }
  void ShowMessage(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
  std::optional<std::string> BrowseForFolder(const std::string&) override { return std::nullopt; }
};
}  // namespace

std::unique_ptr<Dialogs> CreateSystemDialogs(std::function<void*()>) { return std::make_unique<ConsoleDialogs>(); }

}  // namespace ombrix
