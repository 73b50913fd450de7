#include "acquire/ServerFilePickup.h"

#include <algorithm>
#include <exception>

#include "app/ErrorLog.h"
#include "app/ProcessState.h"
#include "host/Discovery.h"
#include "util/Clock.h"
#include "util/FileUtil.h"
#include "util/StrUtil.h"

namespace ombrix {

namespace {

std::string LocalText(DateTimePattern pattern) { return FormatDateTime(pattern, LocalNow()); }

void DeleteIfExists(const std::string& path) {
  if (FileExists(path)) DeleteFileAt(path);
}

std::string MessageOf(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "unknown error";
  }
}

// Whether the underlay PMapServer shows is name; an empty UnderlayName never
// matches.
bool IsShownUnderlay(const std::string& name) {
  const std::string shown = UpperCase(Host.UnderlayName);
  return !shown.empty() && UpperCase(name).find(shown) != std::string::npos;
}

}  // namespace

SourceFileNames SourceFilesOf(const TRadarObj& record) {
  const std::string base = UpperCase(record.BaseName);
  if (base == "N0R_0" || base.find("01_USRAD") != std::string::npos)
    return {record.BaseName + ".wld", record.BaseName + ".png"};
  return {record.BaseName + ".gfw", record.BaseName + ".gif"};
}

bool ServerFilePickup::ProcessServerFiles(PassTurn& turn) {
  const SourceFileNames names = SourceFilesOf(turn.scratch);
  const TDateTime now = UtcNow();
  host_.ProcessMessages();
  if (Closing) throw PassAbandoned{};

  if (host_.ClientMode() && !PickUp(turn, names, now)) return false;

  view_.Shape1.brushColour = clYellow;
  host_.ProcessMessages();
  if (Closing) throw PassAbandoned{};
  if (!FileExists(turn.workingFolder + names.image)) return false;
  FetchOK = false;
  if (names.image.find(".gif") != std::string::npos) ConvertGif(turn, names);
  else if (names.image.find(".png") != std::string::npos) ConvertPng(turn, names);
  return true;
}

bool ServerFilePickup::PickUp(PassTurn& turn, const SourceFileNames& names, TDateTime now) {
  TRadarObj& r = turn.scratch;
  const std::string worldPath = turn.workingFolder + names.world;
  view_.RidgeLbl.caption = "Processing files from server at " + LocalText(DateTimePattern::MonthDayHourMinute);
  if (!FileExists(worldPath)) {
    r.LastAttempt = now;
    r.NextAttempt = now + 45 * kOneSecond + turn.jitter;
    r.Status = "Waiting for file " + names.world + " from server";
    view_.FileLbl.caption = r.Status + " at " + LocalText(DateTimePattern::MonthDayHourMinute);
    r.Status = view_.FileLbl.caption;
    ++r.DownloadErrors;
    turn.WriteBack();
    return false;
  }
  r.LoadWorldFile(worldPath);
  if (r.WorldText.empty()) {
    SetStatusUnlessError(r, "Error World file empty");
    ++r.DownloadErrors;
    turn.WriteBack();
    return false;
  }
  turn.WriteBack();
  FetchOK = false;
  const TDateTime fileTime = FileLastWrite(worldPath);
  if (fileTime == 0) {
    r.LastAttempt = now;
    r.NextAttempt = now + kOneMinute + turn.jitter;
    r.Status = "Waiting for new " + names.world;
    view_.FileLbl.caption = r.Status + " at " + LocalText(DateTimePattern::MonthDayHourMinute);
    turn.WriteBack();
    return false;
  }
  // The server's clock is not ours: its file time counts as at most ten
  // minutes old and never in the future.
  const TDateTime imageTime = std::clamp(fileTime - turn.localOffset, now - 600 * kOneSecond, now);
  r.PreviousImage = r.LastImage;
  r.LastImage = imageTime;
  r.NextAttempt = imageTime + 180 * kOneSecond + turn.jitter;
  view_.FileLbl.caption = "Server file " + names.world + " found " + LocalText(DateTimePattern::MonthDayHourMinute);
  turn.WriteBack();
  return true;
}

void ServerFilePickup::LogMemoryAround(const PassTurn& turn) {
  LogError("Before error " + turn.memoryBefore);
  LogError("After error " + MemoryStatusText());
}

void ServerFilePickup::UpdateTrayWhenShown(const std::string& outputName) {
  if (!IsShownUnderlay(outputName)) return;
  const std::string& shown = Host.UnderlayName;
  std::string& caption = host_.TrayCaption();
  caption = "Underlay update : " + shown.substr(0, shown.find('.')) + "@" + LocalText(DateTimePattern::HourMinute);
  host_.SetTrayTip(caption);
}

void ServerFilePickup::ConvertGif(PassTurn& turn, const SourceFileNames& names) {
  TRadarObj& r = turn.scratch;
  const std::string& folder = turn.workingFolder;
  auto deleteInputs = [&](bool legendToo) {
    DeleteIfExists(folder + names.image);
    DeleteIfExists(folder + names.world);
    if (legendToo && !r.LegendFile.empty()) DeleteIfExists(folder + r.LegendFile);
  };
  try {
    if (host_.ConvertGifUnderlay(folder + r.BmpFile, r)) {
      ++turn.processed;
      FetchOK = true;
      deleteInputs(true);
      if (IsShownUnderlay(r.BaseName + ".BMP")) UpdateTrayWhenShown(r.BaseName + ".BMP");
      else UpdateTrayWhenShown(r.SiteName + ".BMP");
      turn.WriteBack();
    } else {
      ++r.ConvertErrors;
      LastMemoryLog = LocalNow();
      r.LastImage = turn.referenceTime;
      turn.WriteBack();
      LogMemoryAround(turn);
      FetchOK = false;
      deleteInputs(true);
      r.NextAttempt = UtcNow() + 330 * kOneSecond + turn.jitter;
      view_.FileLbl.caption = r.Status + " @ " + LocalText(DateTimePattern::HourMinute);
      turn.WriteBack();
    }
  } catch (...) {
    const std::string message = MessageOf(std::current_exception());
    FetchOK = false;
    host_.ProcessMessages();
    r.NextAttempt = UtcNow() + kOneMinute + turn.jitter;
    SetStatusUnlessError(r, "Error extra converting " + names.image + " " + message);
    LogError(r.Status);
    view_.FileLbl.caption = r.Status + " @ " + LocalText(DateTimePattern::HourMinute);
    deleteInputs(false);
    turn.WriteBack();
    host_.ProcessMessages();
  }
}

void ServerFilePickup::ConvertPng(PassTurn& turn, const SourceFileNames& names) {
  TRadarObj& r = turn.scratch;
  const std::string& folder = turn.workingFolder;
  int& step = turn.conversionStep;
  try {
    host_.EmptyPngWorkObjects();
    if (host_.ConvertPngUnderlay(folder + r.BmpFile, r)) {
      ++turn.processed;
      FetchOK = true;
      step = 1;
      DeleteIfExists(folder + names.image);
      step = 2;
      DeleteIfExists(folder + names.world);
      step = 3;
      DeleteIfExists(folder + r.BaseName + ".png");
      step = 4;
      UpdateTrayWhenShown(r.BmpFile);
      turn.WriteBack();
    } else {
      ++r.ConvertErrors;
      step = 10;
      FetchOK = false;
      r.LastImage = turn.referenceTime;
      r.NextAttempt = UtcNow() + kOneMinute + turn.jitter;
      turn.WriteBack();
      LastMemoryLog = LocalNow();
      step = 11;
      LogMemoryAround(turn);
      view_.FileLbl.caption = r.Status + " @ " + LocalText(DateTimePattern::HourMinute);
      step = 12;
      DeleteIfExists(folder + names.image);
      step = 13;
      DeleteIfExists(folder + names.world);
      step = 14;
      DeleteIfExists(folder + r.BaseName + ".png");
      turn.WriteBack();
    }
  } catch (...) {
    const std::string message = MessageOf(std::current_exception());
    FetchOK = false;
    r.NextAttempt = UtcNow() + 342 * kOneSecond + turn.jitter;
    turn.WriteBack();
    // The step tells how far the success or failure path had come.
    r.Status = "Error " + std::to_string(step) + " extra converting " + names.image + " " + message;
    LogError(r.Status);
    view_.FileLbl.caption = r.Status + " @ " + LocalText(DateTimePattern::HourMinute);
  }
}

}  // namespace ombrix
