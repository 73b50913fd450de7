// Record commands: what a selection derives, what a world file gives, and
// what a download list holds.
#include <cstdio>
#include <memory>
#include <string>

#include "Command.h"
#include "app/Settings.h"
#include "records/DownloadList.h"
#include "records/RadarObj.h"
#include "util/FileUtil.h"
#include "util/ProfileFile.h"

namespace ombrix::tool {
namespace {

// Takes "--NAME VALUE" out of args; "" when absent.
std::string TakeOption(Args& args, const std::string& name) {
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] != name) continue;
    if (i + 1 >= args.size()) throw UsageError{name + " needs a value"};
    std::string value = args[i + 1];
    args.erase(args.begin() + static_cast<std::ptrdiff_t>(i), args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
    return value;
  }
  return {};
}

// The [URL] values of a settings file, or the defaults without one.
ServerSettings Servers(const std::string& ini) {
  if (ini.empty()) return ServerSettings::Defaults();
  if (!FileExists(ini)) throw std::runtime_error("no such settings file: " + ini);
  return ReadServerSettings(*OpenProfileFile(ini));
}

std::string Time(TDateTime t) { return FormatDateTime(DateTimePattern::DateTimeSeconds, t); }

void PrintRecord(const TRadarObj& r) {
  std::printf("Description\t%s\n", r.Description.c_str());
  std::printf("Product\t%s\n", r.Product.c_str());
  std::printf("SiteName\t%s\n", r.SiteName.c_str());
  std::printf("BaseName\t%s\n", r.BaseName.c_str());
  std::printf("BmpFile\t%s\n", r.BmpFile.c_str());
  std::printf("ImageUrl\t%s\n", r.ImageUrl.c_str());
  std::printf("WorldUrl\t%s\n", r.WorldUrl.c_str());
  std::printf("LegendFile\t%s\n", r.LegendFile.c_str());
  std::printf("Status\t%s\n", r.Status.c_str());
}

int Record(const Args& input) {
  Args args = input;
  ServerSettings servers = Servers(TakeOption(args, "--ini"));
  RequireArgs(args, 2, 2);
  TRadarObj r;
  r.InitFromSelection(args[0], args[1], servers);
  PrintRecord(r);
  return 0;
}

int World(const Args& args) {
  RequireArgs(args, 1, 3);
  if (args.size() == 2) throw UsageError{"give both WIDTH and HEIGHT"};
  if (!FileExists(args[0])) throw std::runtime_error("no such world file: " + args[0]);
  TRadarObj r;
  r.LoadWorldFile(args[0]);
  if (args.size() == 3) r.ComputeBounds(ParseIntArg(args[1], "WIDTH"), ParseIntArg(args[2], "HEIGHT"));
  std::printf("%s\n", r.WorldText.c_str());
  return r.WorldText.empty() ? 1 : 0;
}

int List(const Args& input) {
  Args args = input;
  std::string out = TakeOption(args, "--save");
  ServerSettings servers = Servers(TakeOption(args, "--ini"));
  RequireArgs(args, 1, 1);
  if (!FileExists(args[0])) throw std::runtime_error("no such list file: " + args[0]);
  TRadarList list;
  LoadDownloadListFile(args[0], list, servers);
  for (int i = 0; i < list.Count(); ++i) {
    const TRadarObj& r = list.Objects(i);
    std::printf("[%d]\n", i + 1);
    PrintRecord(r);
    std::printf("WorldText\t%s\n", r.WorldText.c_str());
    std::printf("Accumulate\t%s\n", r.Accumulate ? "TRUE" : "FALSE");
    std::printf("Enabled\t%s\n", r.Enabled ? "TRUE" : "FALSE");
    std::printf("LastAttempt\t%s\n", Time(r.LastAttempt).c_str());
    std::printf("LastImage\t%s\n", Time(r.LastImage).c_str());
    std::printf("NextAttempt\t%s\n", Time(r.NextAttempt).c_str());
  }
  std::printf("count %d\n", list.Count());
  if (!out.empty() && !SaveDownloadListFile(out, list)) throw std::runtime_error("cannot write " + out + ": " + LastFileError());
  return 0;
}

// A fresh list of the given entries, each due at once, as the program saves it.
int NewList(const Args& input) {
  Args args = input;
  ServerSettings servers = Servers(TakeOption(args, "--ini"));
  RequireArgs(args, 3, 999);
  if (args.size() % 2 == 0) throw UsageError{"give a PRODUCT for every DESCRIPTION"};
  TRadarList list;
  for (size_t i = 1; i + 1 < args.size(); i += 2) {
    auto r = std::make_unique<TRadarObj>();
    r->InitFromSelection(args[i], args[i + 1], servers);
    std::string key = RecordKey(*r);
    if (!list.Add(key, std::move(r))) throw UsageError{"duplicate entry " + args[i]};
  }
  if (!SaveDownloadListFile(args[0], list)) throw std::runtime_error("cannot write " + args[0] + ": " + LastFileError());
  std::printf("count %d\n", list.Count());
  return 0;
}

}  // namespace

OMBRIX_COMMAND("record", "DESCRIPTION PRODUCT [--ini FILE]",
               "names and URLs a radar entry and a record-form product give (servers from FILE's [URL])", Record);
OMBRIX_COMMAND("world", "FILE [WIDTH HEIGHT]", "bounds text of a world file (completed for an image size)", World);
OMBRIX_COMMAND("new-list", "OUT [--ini INI] DESCRIPTION PRODUCT...",
               "write a download list of new records (record-form products, \", \" for composites)", NewList);
OMBRIX_COMMAND("list", "FILE [--ini INI] [--save OUT]", "records of a download list file; --save writes them to OUT",
               List);

}  // namespace ombrix::tool
