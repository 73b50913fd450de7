// Writes the input files of the ombrix-tool black-box test into a folder:
// a RIDGE GIF with its world file and legend (LOT_N0R_0).
// Usage: make-test-images FOLDER
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
                  WriteFileAtomic(folder + "LOT_N0R_Legend_0.gif", test::RadarGif(600, 550, 7));
  if (!ok) std::fprintf(stderr, "%s\n", LastFileError().c_str());
  return ok ? 0 : 1;
}
