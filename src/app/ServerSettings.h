// The server addresses and proxy of the settings file's [URL] section. Only
// the settings file fills them; records build their URLs from them.
#pragma once
#include <string>

namespace ombrix {

// Defaults written into a new settings file, where a user may edit them.
inline constexpr const char* kDefaultIowaBaseUrl = "http://mesonet.agron.iastate.edu/data/gis/images/unproj/USCOMP/";
inline constexpr const char* kDefaultConUsImageName = "n0r_0.png";
inline constexpr const char* kDefaultConUsWorldName = "n0r_0.wld";
inline constexpr const char* kDefaultTamuBaseUrl = "http://mesonet.tamu.edu/gemdata/images/radar/";
inline constexpr const char* kDefaultUsRadImageName = "01_USrad.png";
inline constexpr const char* kDefaultUsRadWorldName = "USrad.wld";
inline constexpr const char* kDefaultRidgeBaseUrl = "http://radar.weather.gov/ridge/RadarImg/";
inline constexpr const char* kDefaultRidgeNatBaseUrl = "http://radar.weather.gov/ridge/Conus/RadarImg/";
inline constexpr const char* kDefaultProxyPort = "80";

struct ServerSettings {
  std::string IowaBaseUrl;
  std::string ConUsImageName;
  std::string ConUsWorldName;
  std::string TamuBaseUrl;
  std::string UsRadImageName;
  std::string UsRadWorldName;
  std::string RidgeBaseUrl;
  std::string RidgeNatBaseUrl;
  std::string ProxyHost;  // empty: no proxy
  std::string ProxyPort;

  // The values a missing settings file gives.
  static ServerSettings Defaults() {
    return {kDefaultIowaBaseUrl,    kDefaultConUsImageName, kDefaultConUsWorldName, kDefaultTamuBaseUrl,
            kDefaultUsRadImageName, kDefaultUsRadWorldName, kDefaultRidgeBaseUrl,   kDefaultRidgeNatBaseUrl,
            "",                     kDefaultProxyPort};
  }
};

}  // namespace ombrix
