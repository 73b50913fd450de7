// The process-wide flags every long operation reads between its steps. They
// are plain values on purpose: one thread runs everything, and re-entrancy
// through ProcessMessages() is the only hazard they guard against.
#pragma once
#include "util/DateTime.h"

namespace ombrix {

inline bool Closing = false;           // the window is closing; long work stops
inline bool FetchBusy = false;         // a fetch is running
inline bool FetchOK = false;           // the last fetch's verdict
inline bool FetchTimedOut = false;     // the running fetch must end as timed out
inline bool FetchSocketError = false;  // the running fetch hit a socket error
inline int MemoryLoad = 0;             // percent of memory in use, last measured
inline TDateTime LastMemoryLog = 0;    // local time of the last memory log line
inline bool MemoryWarned = false;      // the low-memory warning was logged
inline bool LoopRunning = false;       // a radar loop has the underlay files moved

// Puts every flag back to its start value (tests).
inline void ResetProcessState() {
  Closing = FetchBusy = FetchOK = FetchTimedOut = FetchSocketError = false;
  MemoryLoad = 0;
  LastMemoryLog = 0;
  MemoryWarned = false;
  LoopRunning = false;
}

}  // namespace ombrix
