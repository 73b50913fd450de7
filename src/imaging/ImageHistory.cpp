#include "imaging/ImageHistory.h"

#include <cctype>
#include <exception>
#include <vector>

#include "app/ErrorLog.h"
#include "app/ProcessState.h"
#include "util/Clock.h"
#include "util/FileUtil.h"
#include "util/StrUtil.h"

namespace ombrix {

namespace {

std::string EntryPath(const std::string& entry) {
  size_t tab = entry.find('\t');
  return tab == std::string::npos ? entry : entry.substr(tab + 1);
}

// File name of a listing entry up to its first ".".
std::string EntryBase(const std::string& entry) {
  std::string name = ExtractFileName(EntryPath(entry));
  return name.substr(0, name.find('.'));
}

void DeleteIfExists(const std::string& path) {
  if (FileExists(path)) DeleteFileAt(path);
}

// A shift cut short (the program killed or the power gone between its
// renames) leaves images under their work names, and the next shift would
// delete such a file when it needs that work name. Each one gets an image
// name back first - its own number when that is free, else the first free
// one - so the shift below renumbers it by its age with the others. Newest
// first: when all nine numbers are taken, the oldest history image makes
// room, as the shift would let it go anyway.
void RescueWorkFiles(const std::string& folder, const std::string& workPattern, const std::string& pattern,
                     const std::string& current) {
  std::vector<std::string> strays;
  if (ListFilesByAge(folder, workPattern, strays) == 0) return;
  for (auto it = strays.rbegin(); it != strays.rend(); ++it) {
    if (Closing) return;
    const std::string stem = EntryBase(*it);
    if (stem.empty()) continue;
    std::string image = folder + stem + ".bmp";
    for (char k = '1'; k <= '9' && FileExists(image); ++k) image = folder + stem.substr(0, stem.size() - 1) + k + ".bmp";
    if (FileExists(image)) {
      std::vector<std::string> history;
      ListFilesByAge(folder, pattern, history);
      std::erase_if(history, [&](const std::string& e) { return SameText(EntryPath(e), current); });
      // Entries begin with their time: the oldest goes only when it is older than this one.
      if (history.empty() || history.front().compare(0, 14, *it, 0, 14) >= 0) continue;
      image = EntryPath(history.front());
      DeleteFileAt(image);
    }
    RenameFile(EntryPath(*it), image);
  }
}

}  // namespace

long long ShiftImageHistory(const std::string& path) {
  // 1. Only a real underlay goes into the history.
  const long long size = FileSize(path);
  if (size < 10000) return size;
  try {
    // 2. Names, on the upper-cased path.
    const std::string upperPath = UpperCase(path);
    const std::string name = ExtractFileName(upperPath);
    const std::string folder = ExtractFilePath(upperPath);
    const size_t dot = name.find('.');
    const std::string base = name.substr(0, dot);
    const std::string boundsName = (dot == std::string::npos ? name + "." : name.substr(0, dot + 1)) + "Sat";
    const bool digitEnd = !base.empty() && std::isdigit(static_cast<unsigned char>(base.back()));

    // 3. The history's wildcard.
    std::string pattern = base + "?.bmp";
    if (pattern.find(' ') == 2) pattern.erase(0, 3);
    for (char& c : pattern)
      if (c == ' ') c = '_';

    // 4. List it, with the images an interrupted shift left as work files.
    if (Closing) return size;
    RescueWorkFiles(folder, pattern.substr(0, pattern.find('.') + 1) + "tmp", pattern, upperPath);
    std::vector<std::string> list;
    int n = ListFilesByAge(folder, pattern, list);

    // 5. Keep the ten newest; the current underlay itself is never trimmed.
    while (list.size() > 10) {
      if (Closing) return size;
      std::string oldest = EntryPath(list.front());
      // The listing gives names as stored, so compare without regard to case.
      if (!SameText(oldest, upperPath)) DeleteIfExists(oldest);
      list.erase(list.begin());
      --n;
    }

    // 6. Names with a "_" before the number are listed without it as well.
    size_t underscore = pattern.find("_?");
    if (underscore != std::string::npos) {
      pattern.erase(underscore, 1);
      n = ListFilesByAge(folder, pattern, list);
    }

    // 7. Every image to a work file numbered by age, newest first.
    if (n > 0) {
      int k = 1;
      for (auto it = list.rbegin(); it != list.rend(); ++it, ++k) {
        if (Closing) return size;
        std::string e = UpperCase(EntryBase(*it));
        std::string stem = e;
        long long number = 0;
        if (digitEnd) {
          if (e.size() >= 2 && TryParseInt(std::string_view(e).substr(e.size() - 2), number) && number >= 0)
            stem.pop_back();
        } else {
          while (stem.size() > 2 && std::isdigit(static_cast<unsigned char>(stem.back()))) stem.pop_back();
        }
        std::string work = folder + stem + std::to_string(k) + ".tmp";
        DeleteIfExists(work);
        RenameFile(folder + e + ".bmp", work);
      }
    }

    // 8. The work files' wildcard.
    list.clear();
    std::string workPattern = pattern.substr(0, pattern.find('.') + 1) + "tmp";
    if (Closing) return size;

    // 9. Work files back to images, each with bounds of its own.
    if (ListFilesByAge(folder, workPattern, list) > 0) {
      for (auto it = list.rbegin(); it != list.rend(); ++it) {
        if (Closing) return size;
        std::string e = EntryBase(*it);
        RenameFile(folder + e + ".tmp", folder + e + ".bmp");
        // Copied under a temporary name: a bounds file is only made when
        // missing, so a half-copied one would stay for good.
        if (!FileExists(folder + e + ".sat") && FileExists(folder + boundsName))
          CopyFileReplacing(folder + boundsName, folder + e + ".sat");
      }
    }

    // 10. Work files whose rename back failed.
    int left = ListFilesByAge(folder, workPattern, list);
    if (!Closing && left > 0)
      for (const std::string& entry : list) DeleteFileAt(EntryPath(entry));

    // 11. Number 10 leaves the history.
    DeleteIfExists(folder + base + "10.bmp");
    DeleteIfExists(folder + base + "10.tmp");
  } catch (const std::exception&) {
    LogError(FormatDateTime(DateTimePattern::Time, LocalNow()) + " Rename Sat images error");
  }
  return size;
}

}  // namespace ombrix
