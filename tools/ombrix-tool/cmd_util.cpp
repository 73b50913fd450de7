// Helper commands: field splitting, wildcard matching, listing by age.
#include <cstdio>
#include <vector>

#include "Command.h"
#include "util/FileUtil.h"
#include "util/StrUtil.h"

namespace ombrix::tool {
namespace {

char ParseDelimiter(const std::string& text) {
  if (text == "TAB" || text == "\\t") return '\t';
  if (text.size() != 1) throw UsageError{"DELIM must be one character (or TAB): " + text};
  return text[0];
}

int Fields(const Args& args) {
  RequireArgs(args, 3, 3);
  int n = ParseIntArg(args[1], "N");
  char delim = ParseDelimiter(args[2]);
  std::printf("%s\n", GetField(args[0], n, delim).c_str());
  std::printf("count %d\n", CountFields(args[0], delim));
  return 0;
}

int Wildcard(const Args& args) {
  RequireArgs(args, 2, 1000);
  int matched = 0;
  for (size_t i = 1; i < args.size(); ++i) {
    bool m = MatchesWildcard(args[0], args[i]);
    matched += m;
    std::printf("%s\t%s\n", m ? "match" : "no", args[i].c_str());
  }
  return matched > 0 ? 0 : 1;
}

int ListByAge(const Args& args) {
  RequireArgs(args, 2, 2);
  std::vector<std::string> list;
  int count = ListFilesByAge(IncludeTrailingDelimiter(args[0]), args[1], list);
  for (const std::string& line : list) std::printf("%s\n", line.c_str());
  std::printf("count %d\n", count);
  return 0;
}

}  // namespace

OMBRIX_COMMAND("fields", "TEXT N DELIM", "GetField(TEXT, N, DELIM) and CountFields(TEXT, DELIM)", Fields);
OMBRIX_COMMAND("wildcard", "PATTERN NAME...", "which names the DOS wildcard PATTERN matches", Wildcard);
OMBRIX_COMMAND("list-by-age", "FOLDER PATTERN", "files of FOLDER matching PATTERN, oldest first", ListByAge);

}  // namespace ombrix::tool
