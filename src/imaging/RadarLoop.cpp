#include "imaging/RadarLoop.h"

#include <exception>
#include <vector>

#include "app/ErrorLog.h"
#include "app/ProcessState.h"
#include "util/Clock.h"
#include "util/DateTime.h"
#include "util/FileUtil.h"
#include "util/StrUtil.h"

namespace ombrix {

namespace {

// An empty needle never occurs: a record without a bitmap name matches no
// underlay.
bool OccursIn(const std::string& needle, const std::string& haystack) {
  return !needle.empty() && UpperCase(haystack).find(UpperCase(needle)) != std::string::npos;
}

bool BeginsWith(const std::string& text, const std::string& prefix) {
  return !prefix.empty() && StartsWith(text, prefix);
}

std::string ClockText() { return FormatDateTime(DateTimePattern::Time, LocalNow()); }

std::string EntryPath(const std::string& entry) {
  const size_t tab = entry.find('\t');
  return tab == std::string::npos ? entry : entry.substr(tab + 1);
}

// The bounds file beside a history image: its name up to the first "." + "Sat".
std::string BoundsFileOf(const std::string& path) {
  const std::string folder = ExtractFilePath(path), name = ExtractFileName(path);
  const size_t dot = name.find('.');
  return folder + (dot == std::string::npos ? name + "." : name.substr(0, dot + 1)) + "Sat";
}

// Timer1 runs again however the tick ends.
struct LoopTimerBack {
  LoopWindow& w;
  ~LoopTimerBack() { w.SetLoopTimerEnabled(true); }
};

}  // namespace

std::string LoopShortName(const TRadarObj& record, const ServerSettings& servers, bool natRule) {
  if (BeginsWith(servers.ConUsImageName, record.BaseName)) return "CONUS";
  if (BeginsWith(servers.UsRadImageName, record.BaseName)) return "USRAD";
  if (natRule && record.BaseName.find("latest") != std::string::npos) return "Nat";
  return record.BaseName;
}

void RadarLoop::Tick() {
  w_.SetLoopTimerEnabled(false);
  LoopTimerBack back{w_};
  w_.SetTimeCaption(ClockText());
  w_.ProcessMessages();
  if (FetchBusy || Closing || w_.PassRunning()) return;

  bool loopable = false;
  w_.SetZoomItemEnabled(false);
  const TRadarList& list = w_.Records();
  if (list.Empty() || w_.MapName().find("PMAPSERVE") == std::string::npos) return;
  const std::string underlay = w_.UnderlayName();
  for (int i = 0; i < list.Count(); ++i) {
    if (Closing) return;
    const TRadarObj& r = list.Objects(i);
    if (!OccursIn(r.BmpFile, underlay)) continue;
    // Every matching record overwrites the captions: the last one wins.
    const std::string name = LoopShortName(r, w_.Servers(), true);
    w_.SetZoomItem("Zoom to " + name, true);
    if (r.Accumulate) {
      w_.SetLoopItemCaption("Loop " + name + " Radar");
      loopable = true;
    }
  }
  w_.SetLoopItemEnabled(loopable);
  if (!requested) return;
  requested = false;
  FetchBusy = true;
  try {
    Play(w_.UnderlayFolder() + underlay);
  } catch (const std::exception&) {
  }
  FetchBusy = false;
}

void RadarLoop::Request() {
  w_.RefreshUiViewStatus();
  if (!w_.Records().Empty()) requested = true;
}

void RadarLoop::Play(const std::string& path) {
  const std::string folder = ExtractFilePath(path), name = ExtractFileName(path);
  const std::string base = name.substr(0, name.find('.'));
  w_.SetLoopCaption("Loop Start " + name);
  w_.SetLoopTimerEnabled(false);
  // The scheduler skips its ticks while the underlay folder is rearranged.
  LoopRunning = true;
  const std::string work = folder + base + ".tmp";
  if (FileExists(work)) DeleteFileAt(work);
  RenameFile(path, work);

  std::vector<std::string> frames;
  ListFilesByAge(folder, base + "*.Bmp", frames);
  int count = 0;
  const TDateTime start = LocalNow();
  std::string inPlace;  // the frame that has the underlay's name just now
  try {
    for (const std::string& entry : frames) {
      if (Closing) break;
      w_.SetTimeCaption(ClockText());
      const std::string frame = EntryPath(entry);
      if (!FileExists(frame) || !FileExists(BoundsFileOf(frame))) continue;
      w_.SetLoopCaption("Loop " + ExtractFileName(frame));
      if (RenameFile(frame, path)) inPlace = frame;
      w_.ProcessMessages();
      w_.ClickRedraw();
      MemoryReportText();  // refreshes MemoryLoad
      const int free = 100 - MemoryLoad;
      if (MemoryLoad >= 85) {
        w_.SetMemoryCaption("Warning, " + std::to_string(free) + "% memory remaining", true);
      } else {
        MemoryWarned = false;
        w_.SetMemoryCaption(std::to_string(free) + "% memory available", false);
      }
      w_.ProcessMessages();
      if (!inPlace.empty() && RenameFile(path, inPlace)) inPlace.clear();
      ++count;
    }
  } catch (const std::exception&) {
    // The walk ends here; the names are put right below.
  }
  // A frame still under the underlay's name goes back to its own first, so
  // the current image can have its name again.
  if (!inPlace.empty()) RenameFile(path, inPlace);
  if (FileExists(work)) RenameFile(work, path);
  if (!Closing) {
    w_.SetTimeCaption(ClockText());
    w_.ClickRedraw();
    ++count;
  }
  const DateTimeParts elapsed = DecodeDateTime(LocalNow() - start);
  w_.SetLoopCaption("Looped " + std::to_string(count) + " images in " +
                    std::to_string(elapsed.second + 60 * elapsed.minute) + "." + std::to_string(elapsed.millisecond) +
                    " secs");
  LoopRunning = false;
  FetchBusy = false;
  w_.SetLoopTimerEnabled(true);
}

void RadarLoop::Zoom() {
  const TRadarList& list = w_.Records();
  const std::string underlay = w_.UnderlayName();
  for (int i = 0; i < list.Count(); ++i) {
    const TRadarObj& r = list.Objects(i);
    if (!OccursIn(LoopShortName(r, w_.Servers(), false) + ".bmp", underlay) || !(r.WorldTop > 0)) continue;
    w_.ZoomToArea(r.WorldLeft, r.WorldTop, r.WorldRight, r.WorldBottom);
    return;
  }
}

}  // namespace ombrix
