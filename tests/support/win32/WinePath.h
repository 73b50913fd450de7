// Paths the build gives as Unix paths, as a Windows program under Wine
// must write them: Wine sees the Unix root as drive Z:.
#pragma once
#include <string>

namespace ombrix::test {

inline std::string WindowsPath(std::string path) {
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

}  // namespace ombrix::test
