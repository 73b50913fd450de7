// ombrix-tool: the program's core operations one at a time, for diagnosis,
// scripting and black-box tests.
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "Command.h"
#include "util/StrUtil.h"

namespace ombrix::tool {

static std::vector<Command>& Registry() {
  static std::vector<Command> commands;
  return commands;
}

bool RegisterCommand(const Command& command) {
  Registry().push_back(command);
  return true;
}

const std::vector<Command>& Commands() { return Registry(); }

void RequireArgs(const Args& args, size_t min, size_t max) {
  if (args.size() < min) throw UsageError{"too few arguments"};
  if (args.size() > max) throw UsageError{"too many arguments"};
}

int ParseIntArg(const std::string& text, const char* what) {
  long long v;
  if (!TryParseInt(text, v)) throw UsageError{std::string(what) + " must be an integer: " + text};
  return static_cast<int>(v);
}

static void PrintHelp(FILE* out) {
  std::fprintf(out, "usage: ombrix-tool COMMAND [ARGS...]\n\nCommands:\n");
  for (const Command& c : Commands()) std::fprintf(out, "  %s %s\n      %s\n", c.name, c.usage, c.summary);
}

}  // namespace ombrix::tool

int main(int argc, char** argv) {
  using namespace ombrix::tool;
  if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h") || !std::strcmp(argv[1], "help")) {
    PrintHelp(argc < 2 ? stderr : stdout);
    return argc < 2 ? 2 : 0;
  }
  for (const Command& c : Commands()) {
    if (std::strcmp(c.name, argv[1]) != 0) continue;
    Args args(argv + 2, argv + argc);
    try {
      return c.run(args);
    } catch (const UsageError& e) {
      std::fprintf(stderr, "ombrix-tool %s: %s\nusage: ombrix-tool %s %s\n", c.name, e.message.c_str(), c.name,
                   c.usage);
      return 2;
    } catch (const std::exception& e) {
      std::fprintf(stderr, "ombrix-tool %s: %s\n", c.name, e.what());
      return 1;
    }
  }
  std::fprintf(stderr, "ombrix-tool: unknown command '%s' (try --help)\n", argv[1]);
  return 2;
}
