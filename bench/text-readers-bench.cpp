// Helper of bench/text_readers.sh: times every reader of outside text on a
// hostile input of n and of 4 n bytes and prints the ratio of the two times.
// A reader linear in its input shows about 4; one that copies the rest of a
// line per ">" or walks the list per record shows about 16.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "acquire/Freshness.h"
#include "host/TargetList.h"
#include "records/Catalogues.h"
#include "records/DownloadList.h"
#include "records/RadarObj.h"
#include "support/TempDir.h"
#include "util/ProfileFile.h"

using namespace ombrix;

namespace {

struct Reader {
  const char* name;
  std::function<std::string(size_t bytes)> make;       // a hostile input of about that size
  std::function<void(const std::string& path)> read;
};

std::string Repeat(const std::string& piece, size_t bytes) {
  std::string out;
  out.reserve(bytes + piece.size());
  while (out.size() < bytes) out += piece;
  return out;
}

std::string Numbered(const char* before, const char* after, size_t bytes) {
  std::string out;
  for (size_t i = 0; out.size() < bytes; ++i) out += before + std::to_string(i) + after;
  return out;
}

double Seconds(const std::function<void()>& run) {
  double best = 1e9;
  for (int i = 0; i < 5; ++i) {
    auto start = std::chrono::steady_clock::now();
    run();
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const size_t n = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1u << 20;
  const ServerSettings servers = ServerSettings::Defaults();
  const Reader readers[] = {
      {"world file, one-line error page", [](size_t b) { return Repeat("<b>x", b) + "\n"; },
       [](const std::string& p) { TRadarObj().LoadWorldFile(p); }},
      {"world file, markup lines", [](size_t b) { return Repeat("<p>\n", b) + "1\n0\n0\n-1\n-90\n40\n"; },
       [](const std::string& p) { TRadarObj().LoadWorldFile(p); }},
      {"listing, file time", [](size_t b) { return Numbered("<A HREF=\"x", ".png\">x</A> 07-Dec-2026\r\n", b); },
       [](const std::string& p) { GetWebFileTime(p, "n0r_0.png"); }},
      {"listing, newest site image",
       [](size_t b) { return Numbered("<a href=\"LOT_20261207_", "_N0R.gif\">LOT_20261207_0405_N0R.gif</a>\r\n", b); },
       [](const std::string& p) { ListNewestSiteImage(p); }},
      {"listing, newest national image",
       [](size_t b) { return Numbered("<a href=\"Nat_20261207_", ".gif\">Nat_20261207_0405.gif</a>\r\n", b); },
       [](const std::string& p) { ListNewestNationalImage(p); }},
      {"download list",
       [](size_t b) { return Numbered("XX,Place,S", "\tVelocity, N0V\tx\ts\t\tTRUE\tTRUE\r\n", b); },
       [&servers](const std::string& p) {
         TRadarList list;
         LoadDownloadListFile(p, list, servers);
       }},
      {"catalogue", [](size_t b) { return Numbered("XX,Place,S", "\r\n", b); },
       [](const std::string& p) {
         std::vector<std::string> items;
         LoadCatalogueFile(p, items);
       }},
      {"target list", [](size_t b) { return Numbered("C:\\PMap", "\\PMap Underlays\\\r\n", b); },
       [](const std::string& p) {
         std::vector<std::string> items;
         LoadTargetList(p, items);
       }},
      {"profile file", [](size_t b) { return "[User]\r\n" + Numbered("Key", "=value\r\n", b); },
       [](const std::string& p) { OpenPortableProfileFile(p)->ReadString("User", "Missing", ""); }},
  };
  test::TempDir dir;
  std::printf("%-34s %12s %12s %8s\n", "reader", "n s", "4n s", "ratio");
  int status = 0;
  for (const Reader& r : readers) {
    double t[2];
    for (int k = 0; k < 2; ++k) {
      std::string path = dir / "input.txt";
      test::WriteFile(path, r.make(k == 0 ? n : 4 * n));
      t[k] = Seconds([&] { r.read(path); });
    }
    double ratio = t[1] / std::max(t[0], 1e-9);
    std::printf("%-34s %12.4f %12.4f %8.2f\n", r.name, t[0], t[1], ratio);
    if (ratio > 8) status = 1;  // well beyond linear
  }
  return status;
}
