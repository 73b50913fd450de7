// The settings file: AppDir + executable base name + "2.ini", sections
// [User] and [URL], read and written through the profile-file functions.
// TMain::LoadSettings and TMain::SaveSettings (Settings.cpp) move the values
// between the file and the window's components.
#pragma once
#include <stdexcept>
#include <string>

#include "app/ServerSettings.h"
#include "util/ProfileFile.h"

namespace ombrix {

// "Ombrix.exe" gives AppDir + "Ombrix2.ini": the name up to its first ".".
std::string SettingsFileName(const std::string& appDir, const std::string& exeName);

// Raised by SaveSettings at the first key the file refuses.
class SettingsWriteError : public std::runtime_error {
 public:
  explicit SettingsWriteError(const std::string& path) : std::runtime_error("Unable to write to " + path) {}
};

// Integer and boolean keys as the program reads them: decimal or "0x" hex,
// booleans as integers (non-zero is true); anything else gives the default.
int ReadSettingsInteger(ProfileFile& file, const std::string& section, const std::string& key, int def);
bool ReadSettingsBool(ProfileFile& file, const std::string& section, const std::string& key, bool def);

// The [URL] section in reading order. A RIDGE value without "://" gets
// "http://" in front; the others are used as stored.
ServerSettings ReadServerSettings(ProfileFile& file);

// Window size limits.
inline constexpr int kMinFormWidth = 594, kMaxFormWidth = 800;
inline constexpr int kMinFormHeight = 395, kMaxFormHeight = 600;

}  // namespace ombrix
