// Subcommand registry of ombrix-tool. Each subsystem's commands live in their
// own cmd_*.cpp file and register themselves with OMBRIX_COMMAND.
#pragma once
#include <string>
#include <vector>

namespace ombrix::tool {

using Args = std::vector<std::string>;

// Thrown for wrong arguments: the tool prints the usage and exits with 2.
struct UsageError {
  std::string message;
};

struct Command {
  const char* name;
  const char* usage;    // arguments, e.g. "TEXT N DELIM"
  const char* summary;  // one line
  int (*run)(const Args& args);  // exit code
};

bool RegisterCommand(const Command& command);
const std::vector<Command>& Commands();

// Helpers for argument checks.
void RequireArgs(const Args& args, size_t min, size_t max);
int ParseIntArg(const std::string& text, const char* what);

}  // namespace ombrix::tool

#define OMBRIX_COMMAND_CAT2(a, b) a##b
#define OMBRIX_COMMAND_CAT(a, b) OMBRIX_COMMAND_CAT2(a, b)
#define OMBRIX_COMMAND(...) \
  static const bool OMBRIX_COMMAND_CAT(registered_, __LINE__) = ::ombrix::tool::RegisterCommand({__VA_ARGS__})
