// Network and freshness commands: one fetch through the program's own
// FetchFile, and the readings of a saved directory listing.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "Command.h"
#include "acquire/Freshness.h"
#include "app/ProcessState.h"
#include "ui/MainFrm.h"
#include "util/Clock.h"
#include "util/FileUtil.h"
#include "util/StrUtil.h"
#ifdef _WIN32
#include "util/win32/Win32EventLoop.h"
#else
#include "util/posix/PosixEventLoop.h"
#endif

namespace ombrix::tool {
namespace {

#ifdef _WIN32
using SystemLoop = Win32EventLoop;
#else
using SystemLoop = PosixEventLoop;
#endif

std::string DateTimeText(TDateTime t) {
  DateTimeParts p = DecodeDateTime(t);
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", p.year, p.month, p.day, p.hour, p.minute,
                p.second);
  return text;
}

int Fetch(const Args& args) {
  std::vector<std::string> positional;
  std::string proxy, proxyPort = "80";
  int timeout = 7;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--proxy" || args[i] == "--timeout") {
      if (i + 1 >= args.size()) throw UsageError{args[i] + " needs a value"};
      const std::string& value = args[++i];
      if (args[i - 1] == "--timeout") {
        timeout = ParseIntArg(value, "SECONDS");
      } else {
        size_t colon = value.rfind(':');
        proxy = value.substr(0, colon);
        if (colon != std::string::npos) proxyPort = value.substr(colon + 1);
      }
    } else {
      positional.push_back(args[i]);
    }
  }
  RequireArgs(positional, 2, 2);

  SystemLoop loop;
  TMain main(Platform{&loop, {}}, ExecutableDir());
  // Only the fetch's own timer should run in this process.
  main.Process->SetEnabled(false);
  main.MinTimer->SetEnabled(false);
  main.WldTimer->SetEnabled(false);
  main.Timer1->SetEnabled(false);
  main.Servers.ProxyHost = proxy;
  main.Servers.ProxyPort = proxyPort;
  main.RidgeTimer->SetInterval(static_cast<unsigned>(timeout < 0 ? 0 : timeout) * 1000u);
  std::vector<std::string> trail;
  auto shown = main.RidgeCli->OnStateChange;
  main.RidgeCli->OnStateChange = [&](THttpClient& c) {
    shown(c);
    trail.push_back(std::to_string(c.State()) + " " + main.StateLbl.caption);
  };
  std::string status;
  main.FetchFile(positional[0], positional[1], status);

  long long size = FileSize(positional[1]);
  std::printf("verdict %s\n", FetchOK ? "OK" : "FAILED");
  std::printf("status %d %s\n", main.RidgeCli->StatusCode(), main.RidgeCli->ReasonPhrase().c_str());
  std::printf("bytes %lld\n", size < 0 ? 0 : size);
  std::printf("content-length %lld\n", main.RidgeCli->ContentLength());
  std::printf("message %s\n", main.Sbar.panels.empty() ? "" : main.Sbar.panels[0].c_str());
  std::printf("progress %s\n", main.RidgeLbl.caption.c_str());
  if (!status.empty()) std::printf("record-status %s\n", status.c_str());
  std::printf("states");
  for (const std::string& s : trail) std::printf(" [%s]", s.c_str());
  std::printf("\n");
  return FetchOK ? 0 : 1;
}

int ListingTime(const Args& args) {
  RequireArgs(args, 2, 2);
  TDateTime t = GetWebFileTime(args[0], args[1]);
  std::printf("%s UTC\n", DateTimeText(t).c_str());
  return t < UtcNow() - 100 ? 1 : 0;
}

int NewestSite(const Args& args) {
  RequireArgs(args, 1, 1);
  std::string name = ListNewestSiteImage(args[0]);
  std::printf("%s\n", name.c_str());
  return name.empty() ? 1 : 0;
}

int NewestNational(const Args& args) {
  RequireArgs(args, 1, 1);
  std::string name = ListNewestNationalImage(args[0]);
  std::printf("%s\n", name.c_str());
  return name.empty() ? 1 : 0;
}

int NameTime(const Args& args) {
  RequireArgs(args, 1, 1);
  TDateTime t = ImageNameTime(args[0]);
  std::printf("%s UTC\n", DateTimeText(t).c_str());
  return t < UtcNow() - 99 ? 1 : 0;
}

}  // namespace

OMBRIX_COMMAND("fetch", "URL FILE [--proxy HOST[:PORT]] [--timeout SECONDS]",
               "download URL (http:// or https://) into FILE as a pass does; prints verdict, status, bytes and states (exit 0 when OK)",
               Fetch);
OMBRIX_COMMAND("listing-time", "LISTING NAME", "UTC time of NAME in a saved directory listing", ListingTime);
OMBRIX_COMMAND("newest-site", "LISTING", "newest archive image name in a RIDGE per-site listing", NewestSite);
OMBRIX_COMMAND("newest-national", "LISTING", "newest national image name in a RIDGE national listing",
               NewestNational);
OMBRIX_COMMAND("name-time", "NAME", "UTC time written in an archive image name", NameTime);

}  // namespace ombrix::tool
