// Lines of a text file the way the program's list files are read: CR LF, LF
// or a lone CR end a line, and a final line end adds no empty line.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace ombrix {

std::vector<std::string> SplitTextLines(std::string_view content);
// Every line followed by CR LF.
std::string JoinTextLines(const std::vector<std::string>& lines);

}  // namespace ombrix
