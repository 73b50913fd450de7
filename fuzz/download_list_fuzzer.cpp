// libFuzzer target: the download list file. Whatever is read must save and
// read back as the same records: a saved record never turns into two or
// shifts its fields.
#include <vector>

#include "FuzzInput.h"
#include "records/DownloadList.h"

namespace {

std::vector<std::string> Lines(const ombrix::TRadarList& list) {
  std::vector<std::string> lines;
  for (int i = 0; i < list.Count(); ++i) lines.push_back(ombrix::DownloadListLine(list.Objects(i)));
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using ombrix::fuzz::Check;
  const ombrix::ServerSettings servers = ombrix::ServerSettings::Defaults();
  ombrix::TRadarList first;
  ombrix::LoadDownloadListFile(ombrix::fuzz::InputFile(data, size, "DownLoadList.txt"), first, servers);
  std::string saved = ombrix::fuzz::InputFile(nullptr, 0, "saved.txt");
  Check(ombrix::SaveDownloadListFile(saved, first));
  ombrix::TRadarList second;
  ombrix::LoadDownloadListFile(saved, second, servers);
  // Records without a description write no line, and lines under 20
  // characters are not records: compare what the file can carry.
  std::vector<std::string> before, after = Lines(second);
  for (const std::string& line : Lines(first))
    if (line.size() >= 20) before.push_back(line);
  Check(before == after);
  return 0;
}
