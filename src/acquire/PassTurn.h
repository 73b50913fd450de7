// The state one record's turn of a download pass shares with its pick-up
// and conversion step.
#pragma once
#include <string>

#include "records/RadarObj.h"
#include "util/DateTime.h"

namespace ombrix {

// Thrown when Closing is seen inside a pass: the pass ends at once, without
// saving the list or showing a summary.
struct PassAbandoned {};

struct PassTurn {
  TRadarObj& record;   // the list's record
  TRadarObj& scratch;  // the pass's working copy, written back at every exit
  std::string workingFolder;  // AppDir (Server) or the underlay folder (Client)
  double localOffset = 0;     // local minus UTC, days
  TDateTime referenceTime = 0;
  double jitter = 0;          // days
  std::string memoryBefore;   // MemoryStatusText at the turn's start
  int& processed;             // images converted in this pass
  int& conversionStep;        // the pick-up's step, kept across records

  void WriteBack() { record.Assign(scratch); }
};

// "Error" texts are never written over: the fetch's more precise text stays.
inline void SetStatusUnlessError(TRadarObj& record, const std::string& text) {
  if (record.Status.rfind("Error", 0) != 0) record.Status = text;
}

constexpr double kOneSecond = 1.0 / 86400.0;
constexpr double kOneMinute = 60 * kOneSecond;

}  // namespace ombrix
