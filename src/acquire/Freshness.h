// How new is the remote image? Readings of a web server's directory listing
// (saved to a local file by FetchFile) and of RIDGE archive image names. They
// never reach the network and never raise; failures give the documented
// failure values and, where said, a line in the error log.
#pragma once
#include <string>

#include "util/DateTime.h"

namespace ombrix {

// The UTC time printed after fileName's link in the listing ("07-Dec-2026
// 04:05" is local time of the server's zone, which is taken to be ours).
// Local now - 1000 days on any failure.
TDateTime GetWebFileTime(const std::string& listingPath, const std::string& fileName);

// The newest archive image name (without ".gif") of a RIDGE per-site
// listing, or "" when there is none.
std::string ListNewestSiteImage(const std::string& listingPath);
// The newest full-size national image name of a RIDGE national listing, or "".
std::string ListNewestNationalImage(const std::string& listingPath);

// The UTC time written in an archive name such as LOT_20261207_0405_N0R.
// UTC now - 100 days on failure.
TDateTime ImageNameTime(const std::string& imageName);

}  // namespace ombrix
