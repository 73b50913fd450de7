// Writes the input files of the ombrix-tool black-box test into a folder:
// a RIDGE GIF with its world file and legend (LOT_N0R_0), and a mesonet
// composite with its world file (n0r_0). Usage: make-test-images FOLDER
#include <cstdio>
#include <string>

#include "support/RadarImages.h"
#include "util/FileUtil.h"

int main(int argc, char** argv) {
  using namespace ombrix;
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-test-images FOLDER\n");
    return 2;
  }
  const std::string folder = IncludeTrailingDelimiter(argv[1]);
  const bool ok = WriteFileAtomic(folder + "LOT_N0R_0.gif", test::RadarGif(600, 550)) &&
                  WriteFileAtomic(folder + "LOT_N0R_0.gfw", test::WorldFile()) &&
                  WriteFileAtomic(folder + "LOT_N0R_Legend_0.gif", test::RadarGif(600, 550, 7)) &&
                  WriteFileAtomic(folder + "n0r_0.png", test::CompositePng(5000, 2000)) &&
                  WriteFileAtomic(folder + "n0r_0.wld", test::WorldFile());
  if (!ok) std::fprintf(stderr, "%s\n", LastFileError().c_str());
  return ok ? 0 : 1;
}
