#include "host/TargetList.h"

#include <stdexcept>

#include "util/FileUtil.h"
#include "util/StrUtil.h"

namespace ombrix {

std::vector<std::string> ParseTargetList(std::string_view content) {
  std::vector<std::string> items;
  size_t pos = 0;
  while (pos < content.size()) {
    size_t end = content.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) {
      items.emplace_back(content.substr(pos));
      break;
    }
    items.emplace_back(content.substr(pos, end - pos));
    pos = end + ((content[end] == '\r' && end + 1 < content.size() && content[end + 1] == '\n') ? 2 : 1);
  }
  return items;
}

std::string FormatTargetList(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& item : items) out += item + "\r\n";
  return out;
}

bool LoadTargetList(const std::string& path, std::vector<std::string>& items) {
  std::string content;
  if (!FileExists(path) || !ReadWholeFile(path, content)) return false;
  items = ParseTargetList(content);
  return true;
}

void SaveTargetList(const std::string& path, const std::vector<std::string>& items) {
  if (!WriteFileAtomic(path, FormatTargetList(items)))
    throw std::runtime_error("Cannot create file \"" + path + "\". " + LastFileError());
}

int IndexOfTarget(const std::vector<std::string>& items, std::string_view text) {
  for (size_t i = 0; i < items.size(); ++i)
    if (SameText(items[i], text)) return static_cast<int>(i);
  return -1;
}

}  // namespace ombrix
