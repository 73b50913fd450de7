// The target folder list file "TargetDirList.txt": one folder per line,
// written whole (temporary file, then rename) after every change.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace ombrix {

constexpr const char* kTargetListFile = "TargetDirList.txt";

// Lines end at CR, LF or CR LF; a last line without an end is still an
// entry; an empty line is an empty entry; nothing is trimmed.
std::vector<std::string> ParseTargetList(std::string_view content);
// Every entry followed by CR LF.
std::string FormatTargetList(const std::vector<std::string>& items);

// False (and items untouched) when the file does not exist or cannot be read.
bool LoadTargetList(const std::string& path, std::vector<std::string>& items);
// Throws std::runtime_error with a message for the user; the old file stays
// whole when the write fails.
void SaveTargetList(const std::string& path, const std::vector<std::string>& items);

// Index of the entry equal to text without regard to case, or -1.
int IndexOfTarget(const std::vector<std::string>& items, std::string_view text);

}  // namespace ombrix
