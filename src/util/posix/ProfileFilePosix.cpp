// Away from Windows our own implementation is the platform's.
#include "util/ProfileFile.h"

namespace ombrix {

std::unique_ptr<ProfileFile> OpenProfileFile(const std::string& path) { return OpenPortableProfileFile(path); }

}  // namespace ombrix
