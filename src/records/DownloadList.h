// The download list file "DownLoadList.txt": one TAB-separated line per
// record, CR LF line ends, no header. Times are UTC in "mm/dd/yyyy hh:nn:ss"
// with the locale's separators and are read back with that same pattern.
#pragma once
#include <string>

#include "app/ServerSettings.h"
#include "records/RadarList.h"

namespace ombrix {

inline constexpr const char* kDownloadListName = "DownLoadList.txt";

// Appends the file's records to list (duplicates skipped, short lines
// logged). Returns the number of records added; a missing file adds none.
int LoadDownloadListFile(const std::string& path, TRadarList& list, const ServerSettings& servers);
// Replaces the file through a temporary file and a rename, so a crash or a
// full disk leaves the old file whole. An empty list writes an empty file so
// a deleted last record does not come back. False when the write failed.
bool SaveDownloadListFile(const std::string& path, const TRadarList& list);
// The file line of one record, or "" for a record without a description.
// A TAB, CR or LF inside a text field is written as a blank.
std::string DownloadListLine(const TRadarObj& record);

}  // namespace ombrix
