// What the fetch, the scheduler tick, the download pass and the pick-up step
// read and write of the main window. TMain implements the host over its
// components and services; tests give plain components and a fake host.
#pragma once
#include <string>

#include "app/ServerSettings.h"
#include "records/RadarList.h"
#include "ui/Components.h"
#include "util/EventLoop.h"

namespace ombrix {

// The window's display elements and timers the acquisition writes.
struct AcquireView {
  Label& StateLbl;
  Label& HeapLbl;
  Label& RidgeLbl;
  Label& FileLbl;
  Label& StatLbl;
  StatusBar& Sbar;
  Shape& Shape1;
  FormState& Form;
  Button& DeleteBtn;
  Button& DownloadBtn;
  StringGrid& RadarGrid;
  Timer& Process;
  Timer& MinTimer;

  void SetPanel(size_t index, const std::string& text) {
    if (Sbar.panels.size() <= index) Sbar.panels.resize(index + 1);
    Sbar.panels[index] = text;
  }
};

class AcquisitionHost {
 public:
  virtual ~AcquisitionHost() = default;

  virtual TRadarList& Records() = 0;
  virtual const ServerSettings& Servers() = 0;
  virtual const std::string& AppDir() const = 0;
  virtual bool ClientMode() const = 0;   // ModeGrp item 1
  virtual bool LegendWanted() const = 0;  // LegendChk ticked

  virtual void ProcessMessages() = 0;
  virtual void Beep() = 0;
  virtual void ShowError(const std::string& text) = 0;  // error box, OK button

  // RidgeCli: one URL into one file, the verdict in FetchOK.
  virtual void FetchFile(const std::string& url, const std::string& localPath, std::string& recordStatus) = 0;
  virtual bool FetchClientReady() = 0;
  virtual void AbortFetch() = 0;  // RidgeCli's AbortRequest, errors ignored

  virtual bool ConvertGifUnderlay(const std::string& path, TRadarObj& record) = 0;
  virtual bool ConvertPngUnderlay(const std::string& path, TRadarObj& record) = 0;
  // Empties WorkPicture, WorkBitmap and TextBitmap before a PNG conversion.
  virtual void EmptyPngWorkObjects() = 0;

  virtual void SaveDownloadList() = 0;
  virtual void RefreshGrid() = 0;
  virtual void SetTrayTip(const std::string& text) = 0;
  virtual std::string& TrayCaption() = 0;
  virtual void UpdateUiViewStatus() = 0;
};

}  // namespace ombrix
