#include "acquire/DownloadPass.h"

#include <exception>

#include "acquire/Freshness.h"
#include "app/ErrorLog.h"
#include "app/ProcessState.h"
#include "host/Discovery.h"
#include "util/Clock.h"
#include "util/FileUtil.h"
#include "util/StrUtil.h"

namespace ombrix {

namespace {

// Publishing leads: how long after an image's time the next one appears.
constexpr double kIowaLead = 348 * kOneSecond;
constexpr double kIowaClamp = 360 * kOneSecond;
constexpr double kTamuLead = 402 * kOneSecond;
constexpr double kRidgeSiteLead = 300 * kOneSecond;
constexpr double kRidgeNationalLead = 600 * kOneSecond;
constexpr double kAgeLimitDays = 100;

std::string TimeText() { return FormatDateTime(DateTimePattern::Time, LocalNow()); }

void DeleteIfExists(const std::string& path) {
  if (FileExists(path)) DeleteFileAt(path);
}

// Records that share a schedule spread out by up to ten seconds.
double SchedulerJitter(TDateTime utc) {
  const int s = DecodeDateTime(utc).second;
  return (s <= 10 ? s : s / 10) * kOneSecond;
}

// "LOT_N0R_0" gives "LOT_N0R_Legend_0.gif".
std::string LegendNameOf(const std::string& baseName) {
  std::string name = baseName;
  const size_t at = name.find("_0");
  name.insert(at == std::string::npos ? name.size() : at, "_Legend");
  return name + ".gif";
}

std::string DirectoryOf(const std::string& url) {
  const size_t slash = url.rfind('/');
  return slash == std::string::npos ? std::string() : url.substr(0, slash + 1);
}

std::string SecondsText(TDateTime elapsed) {
  const DateTimeParts parts = DecodeDateTime(elapsed);
  return std::to_string(parts.second) + "." + std::to_string(parts.millisecond);
}

}  // namespace

DownloadPass::DownloadPass(AcquireView view, AcquisitionHost& host)
    : view_(view), host_(host), pickup_(view, host) {}

void DownloadPass::Pump() {
  host_.ProcessMessages();
  AbandonIfClosing();
}

void DownloadPass::AbandonIfClosing() {
  if (Closing) throw PassAbandoned{};
}

void DownloadPass::DownloadAndProcess() {
  const TDateTime start = LocalNow();
  localOffset_ = TheClock().ZoneOffsetDays();
  client_ = host_.ClientMode();
  view_.SetPanel(0, client_ ? "Process files from Server" : "Download files from Internet");
  counters_ = Counters{};
  processedNames_.clear();
  legendName_.clear();
  conversionStep_ = 0;
  workingFolder_ = client_ ? Host.PMapUnderlayPath : host_.AppDir();
  TRadarObj scratch;
  try {
    TRadarList& records = host_.Records();
    // Count is read each time: a record added while messages are pumped is
    // taken too (records never move while they are in the list).
    for (int i = 0; i < records.Count(); ++i) Turn(records.Objects(i), scratch);
    PassEnd(start);
  } catch (const PassAbandoned&) {
    // Closing: what was written back stays in memory; nothing is saved.
  } catch (...) {
    std::string message = "unknown error";
    try {
      throw;
    } catch (const std::exception& e) {
      message = e.what();
    } catch (...) {
    }
    const std::string text = "Error downloading or processing downloaded files - " + message;
    view_.FileLbl.caption = text + " at " + FormatDateTime(DateTimePattern::HourMinute, LocalNow()) + " ";
    LogError(text);
  }
  view_.SetPanel(0, client_ ? "Process Server files complete" : "Download files complete");
}

void DownloadPass::Turn(TRadarObj& record, TRadarObj& scratch) {
  AbandonIfClosing();
  if (!record.Enabled) {
    ++counters_.disabled;
    return;
  }
  if (record.NextAttempt > UtcNow()) {
    ++counters_.notDue;
    return;
  }
  view_.Shape1.brushColour = clYellow;
  view_.SetPanel(1, "Processing");
  PassTurn turn{record, scratch, workingFolder_, localOffset_, 0, 0, MemoryStatusText(), counters_.processed,
                conversionStep_};
  const TDateTime now = UtcNow();
  turn.referenceTime = record.LastImage > now - 1 ? record.LastImage : now - 0.95;
  Pump();
  const TDateTime turnStart = UtcNow();
  turn.jitter = SchedulerJitter(turnStart);
  record.LastAttempt = turnStart;
  const ServerSettings& servers = host_.Servers();
  if (StartsWithText(record.ImageUrl, servers.RidgeBaseUrl)) {
    legendName_ = LegendNameOf(record.BaseName);
    record.LegendFile = legendName_;
  }
  record.Status = "Waiting for new file";
  scratch.Assign(record);

  if (!client_) {
    const std::string directory = DirectoryOf(scratch.ImageUrl);
    const SourceKind kind = Classify(directory);
    if (kind == SourceKind::Iowa || kind == SourceKind::Tamu) {
      if (!CheckListingSource(kind, directory, turn)) return;
    } else if (kind != SourceKind::Unknown) {
      if (!CheckRidgeSource(kind, directory, turn)) return;
    }
    if (!Download(turn)) return;
  }
  if (!pickup_.ProcessServerFiles(turn)) return;
  if (FetchOK) processedNames_ += "," + scratch.BaseName;
  Pump();
  turn.WriteBack();
}

DownloadPass::SourceKind DownloadPass::Classify(const std::string& directory) {
  const ServerSettings& servers = host_.Servers();
  if (SameText(directory, servers.IowaBaseUrl)) return SourceKind::Iowa;
  if (SameText(directory, servers.TamuBaseUrl)) return SourceKind::Tamu;
  if (StartsWithText(directory, servers.RidgeBaseUrl)) return SourceKind::RidgeSite;
  if (StartsWithText(directory, servers.RidgeNatBaseUrl)) return SourceKind::RidgeNational;
  return SourceKind::Unknown;
}

void DownloadPass::RetryInAMinute(PassTurn& turn, const std::string& status) {
  TRadarObj& r = turn.scratch;
  ++r.DownloadErrors;
  SetStatusUnlessError(r, status);
  view_.RidgeLbl.caption = r.Description + " " + r.Status;
  r.NextAttempt = UtcNow() + kOneMinute + turn.jitter;
  turn.WriteBack();
}

bool DownloadPass::CheckListingSource(SourceKind kind, const std::string& directory, PassTurn& turn) {
  TRadarObj& r = turn.scratch;
  const bool iowa = kind == SourceKind::Iowa;
  r.LastAttempt = UtcNow();
  const std::string listing = host_.AppDir() + r.BaseName + ".htm";
  host_.FetchFile(iowa ? directory : host_.Servers().TamuBaseUrl, listing, r.Status);
  Pump();
  if (!FetchOK) {
    DeleteIfExists(listing);
    RetryInAMinute(turn, "Web site dir unavailable");
    return false;
  }
  TDateTime t = GetWebFileTime(listing, r.BaseName + ".png");
  if (iowa) host_.ProcessMessages();
  AbandonIfClosing();
  if (t < UtcNow() - kAgeLimitDays) {
    if (FileExists(listing)) {
      if (iowa) DeleteIfExists(host_.AppDir() + r.BaseName + ".txt");
      DeleteFileAt(listing);
    }
    RetryInAMinute(turn, "Error getting file datetime " + FormatDateTime(DateTimePattern::MonthDayHourMinute, t));
    return false;
  }
  // A listing time in the future is a server clock that runs ahead.
  const TDateTime now = UtcNow();
  if (iowa && t > now + kIowaLead) t = now - kIowaClamp;
  if (!iowa && t > now + kTamuLead) t = now - kOneMinute;
  DeleteIfExists(listing);
  if (t > r.LastImage) {
    const double lead = iowa ? kIowaLead : kTamuLead;
    r.PreviousImage = r.LastImage;
    r.LastImage = t;
    view_.RidgeLbl.caption =
        r.Description + " New file " + FormatDateTime(DateTimePattern::DateHourMinute, t + turn.localOffset);
    const TDateTime later = UtcNow();
    r.NextAttempt = later < t + lead ? t + lead + turn.jitter : later + kOneMinute + turn.jitter;
    turn.WriteBack();
    return true;
  }
  const TDateTime shown = (iowa ? r.LastImage : t) + turn.localOffset;
  r.Status = "Waiting for new " + r.BaseName + " file, old file =" +
             FormatDateTime(DateTimePattern::MonthDayHourMinute, shown);
  view_.RidgeLbl.caption = r.Description + " " + r.Status;
  r.NextAttempt = UtcNow() + kOneMinute + turn.jitter;
  turn.WriteBack();
  return false;
}

bool DownloadPass::CheckRidgeSource(SourceKind kind, const std::string& directory, PassTurn& turn) {
  TRadarObj& r = turn.scratch;
  const bool perSite = kind == SourceKind::RidgeSite;
  const std::string listingUrl =
      perSite ? host_.Servers().RidgeBaseUrl + GetField(r.BaseName, 2, '_') + "/" + GetField(r.BaseName, 1, '_') + "/"
              : directory;
  const std::string listing = host_.AppDir() + r.BaseName + ".htm";
  r.LastAttempt = UtcNow();
  host_.FetchFile(listingUrl, listing, r.Status);
  AbandonIfClosing();
  const TDateTime checked = UtcNow();
  if (!FetchOK) {
    // Whatever part of the listing arrived is of no use later.
    DeleteIfExists(listing);
    DeleteIfExists(host_.AppDir() + "RidgeDtime.htm");
    RetryInAMinute(turn, "Web site dir unavailable");
    return false;
  }
  const std::string newest = perSite ? ListNewestSiteImage(listing) : ListNewestNationalImage(listing);
  DeleteIfExists(listing);
  AbandonIfClosing();
  if (newest.empty()) {
    DeleteIfExists(host_.AppDir() + "RidgeDtime.htm");
    RetryInAMinute(turn, "Error getting file " + r.BaseName + " datetime");
    return false;
  }
  const TDateTime t = ImageNameTime(newest);
  if (t >= UtcNow() - kAgeLimitDays && t > r.LastImage) {
    const double lead = perSite ? kRidgeSiteLead : kRidgeNationalLead;
    r.PreviousImage = r.LastImage;
    r.LastImage = t;
    r.Status = "New file";
    view_.RidgeLbl.caption = r.Description + " " + r.Status;
    r.NextAttempt = t + lead > checked ? t + lead + turn.jitter : checked + kOneMinute + turn.jitter;
    turn.WriteBack();
    if (perSite && host_.LegendWanted() && !r.LegendFile.empty()) FetchLegend(turn);
    return true;
  }
  r.Status = "Waiting for new " + r.BaseName + " file, old file =" +
             FormatDateTime(DateTimePattern::MonthDayHourMinute, t + turn.localOffset);
  view_.RidgeLbl.caption = r.Description + " " + r.Status;
  DeleteIfExists(turn.workingFolder + r.LegendFile);
  r.NextAttempt = checked + kOneMinute + turn.jitter;
  turn.WriteBack();
  return false;
}

void DownloadPass::FetchLegend(PassTurn& turn) {
  TRadarObj& r = turn.scratch;
  Pump();
  const std::string& base = host_.Servers().RidgeBaseUrl;
  const size_t radarImg = UpperCase(base).find("RADARIMG");
  const std::string url = base.substr(0, radarImg) + "Legend/" + legendName_.substr(4, 3) + "/" + r.LegendFile;
  // The legend is optional: its failure must not become the record's status.
  std::string legendStatus;
  host_.FetchFile(url, host_.AppDir() + r.LegendFile, legendStatus);
  if (!host_.FetchClientReady()) host_.AbortFetch();
  Pump();
}

bool DownloadPass::Download(PassTurn& turn) {
  TRadarObj& r = turn.scratch;
  const SourceFileNames names = SourceFilesOf(r);
  const std::string worldPath = host_.AppDir() + names.world;
  const std::string imagePath = host_.AppDir() + names.image;
  auto failTurn = [&](const std::string& status) {
    SetStatusUnlessError(r, status);
    r.LastImage = turn.referenceTime;
    ++r.DownloadErrors;
    turn.WriteBack();
    return false;
  };

  if (!host_.FetchClientReady()) host_.AbortFetch();
  Pump();
  host_.FetchFile(r.WorldUrl, worldPath, r.Status);
  AbandonIfClosing();
  if (!FetchOK) {
    DeleteIfExists(worldPath);
    return failTurn("Error World File not downloaded");
  }
  ++counters_.downloads;
  if (FileExists(worldPath)) r.LoadWorldFile(worldPath);
  if (r.WorldText.empty()) {
    DeleteIfExists(worldPath);
    return failTurn("Error World File empty");
  }

  host_.FetchFile(r.ImageUrl, imagePath, r.Status);
  Pump();
  if (!FetchOK) {
    // Neither a cut-off image nor its world file may wait in AppDir.
    DeleteIfExists(imagePath);
    DeleteIfExists(worldPath);
    return failTurn("Error RadarImage File not downLoaded");
  }
  ++counters_.downloads;
  return true;
}

void DownloadPass::PassEnd(TDateTime start) {
  host_.SaveDownloadList();
  host_.RefreshGrid();
  const std::string seconds = SecondsText(LocalNow() - start);
  const int skipped = counters_.disabled + counters_.notDue;
  if (skipped == host_.Records().Count()) {
    view_.FileLbl.caption = "Files not processed at " + TimeText();
  } else if (client_) {
    view_.FileLbl.caption = "Processed " + std::to_string(counters_.processed) + " files from server in " + seconds +
                            " sec at " + TimeText();
  } else {
    view_.FileLbl.caption = "Downloaded " + std::to_string(counters_.downloads) + " and processed " +
                            std::to_string(counters_.processed) + " files in " + seconds + " sec at " + TimeText();
  }
  std::string names = Trim(processedNames_);
  names.erase(0, names.find_first_not_of(','));
  view_.RidgeLbl.caption =
      TimeText() + " " + (names.empty() ? std::string("No files processed") : "Finished processing " + names);
}

}  // namespace ombrix
