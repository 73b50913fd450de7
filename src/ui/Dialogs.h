// Modal dialogs the window logic asks the user through: message boxes and the
// folder browser. Win32: MessageBoxA and SHBrowseForFolderA; tests: FakeDialogs.
#pragma once
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ombrix {

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // Error icon, one OK button.
  virtual void ShowError(const std::string& text) = 0;
  // Question icon, Yes and No; true for Yes.
  virtual bool Confirm(const std::string& text) = 0;
  // Plain message box with OK (an operation's own error message).
  virtual void ShowMessage(const std::string& text) = 0;
  // File-system folders only; the chosen path, or nothing when cancelled.
  virtual std::optional<std::string> BrowseForFolder(const std::string& title) = 0;
};

// Records every dialog and answers from queues (Confirm: No, browse:
// cancelled, when the queue is empty).
class FakeDialogs : public Dialogs {
 public:
  struct Shown {
    std::string kind;  // "error", "confirm", "message", "browse"
    std::string text;  // the message, or the browser's title
  };
  std::vector<Shown> shown;
  std::deque<bool> confirmAnswers;
  std::deque<std::optional<std::string>> browseAnswers;

  void ShowError(const std::string& text) override { shown.push_back({"error", text}); }
  bool Confirm(const std::string& text) override {
    shown.push_back({"confirm", text});
    if (confirmAnswers.empty()) return false;
    bool answer = confirmAnswers.front();
    confirmAnswers.pop_front();
    return answer;
  }
  void ShowMessage(const std::string& text) override { shown.push_back({"message", text}); }
  std::optional<std::string> BrowseForFolder(const std::string& title) override {
    shown.push_back({"browse", title});
    if (browseAnswers.empty()) return std::nullopt;
    auto answer = browseAnswers.front();
    browseAnswers.pop_front();
    return answer;
  }
};

}  // namespace ombrix

namespace ombrix {
// The platform's dialogs, owned by the window ownerWindow() returns (an
// HWND on Windows; may be null). Elsewhere they print to stderr and answer
// No / cancel.
std::unique_ptr<Dialogs> CreateSystemDialogs(std::function<void*()> ownerWindow);
}  // namespace ombrix
