// What the window asks of the desktop shell: open an address or a file with
// the user's program for it, show the help file, show the About box.
// Failures are not reported: the shell tells the user if it can.
#pragma once
#include <memory>
#include <string>
#include <vector>

namespace ombrix {

struct TAboutBox;

class ShellCommands {
 public:
  virtual ~ShellCommands() = default;
  // The shell's "open" verb, the desktop as parent, shown normally.
  virtual void Open(const std::string& target) = 0;
  // The help file's contents page (WinHelp's HELP_FINDER).
  virtual void ShowHelpContents(const std::string& helpFile) = 0;
  // Modal; returns when the box is closed.
  virtual void ShowAboutBox(TAboutBox& box) = 0;
};

// Records every request (tests).
class FakeShellCommands : public ShellCommands {
 public:
  std::vector<std::string> calls;  // "open <target>", "help <file>", "about"
  void Open(const std::string& target) override { calls.push_back("open " + target); }
  void ShowHelpContents(const std::string& helpFile) override { calls.push_back("help " + helpFile); }
  void ShowAboutBox(TAboutBox&) override { calls.push_back("about"); }
};

}  // namespace ombrix
