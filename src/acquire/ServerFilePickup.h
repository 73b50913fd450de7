// ProcessServerFiles: the second half of a record's turn. In Client mode it
// first picks up the world file a server dropped into the underlay folder;
// in both modes it converts the image, removes the consumed files and keeps
// the record's counters and schedule.
#pragma once
#include <string>

#include "acquire/AcquisitionHost.h"
#include "acquire/PassTurn.h"

namespace ombrix {

// World file and image names of a record: the two mesonet composites are
// ".wld" and ".png", everything else ".gfw" and ".gif".
struct SourceFileNames {
  std::string world, image;
};
SourceFileNames SourceFilesOf(const TRadarObj& record);

class ServerFilePickup {
 public:
  ServerFilePickup(AcquireView view, AcquisitionHost& host) : view_(view), host_(host) {}
  // True when the turn goes on to its end in the pass; false when it ended
  // here. FetchOK tells whether the image was converted.
  bool ProcessServerFiles(PassTurn& turn);

 private:
  bool PickUp(PassTurn& turn, const SourceFileNames& names, TDateTime now);
  void ConvertGif(PassTurn& turn, const SourceFileNames& names);
  void ConvertPng(PassTurn& turn, const SourceFileNames& names);
  // The tray tip names the underlay when the converted image is the one shown.
  void UpdateTrayWhenShown(const std::string& outputName);
  void LogMemoryAround(const PassTurn& turn);

  AcquireView view_;
  AcquisitionHost& host_;
};

}  // namespace ombrix
