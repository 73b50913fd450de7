// TMain's side of the small interfaces its operations work through: each
// adapter reads and writes TMain's components and calls its services.
// Included only by TMain's own files.
#pragma once
#include "host/Discovery.h"
#include "host/UiViewLink.h"
#include "ui/MainFrm.h"
#include "ui/ShellCommands.h"

namespace ombrix {

class TMain::GridWindow : public RecordWindow {
 public:
  explicit GridWindow(TMain& m) : m_(m) {}
  TRadarList& Records() override { return m_.RadarList; }
  StringGrid& Grid() override { return m_.RadarGrid; }
  std::string RadarText() override { return m_.RadarCmb.text; }
  std::string ProductText() override { return m_.ProductCmb.text; }
  bool AccumulateNewRecords() override { return m_.AccumChk.checked; }
  bool ClientMode() override { return m_.ClientMode(); }
  const ServerSettings& Servers() override { return m_.Servers; }
  std::string UnderlayFolder() override { return Host.PMapUnderlayPath; }
  Dialogs* UserDialogs() override { return m_.platform_.dialogs; }
  void OpenWithShell(const std::string& target) override { m_.OpenWebSite(target); }
  void SaveDownloadList() override { m_.SaveDownloadList(); }
  void SaveSettings() override { m_.SaveHostSettings(); }
  void RefreshGrid() override { m_.RefreshGrid(); }

 private:
  TMain& m_;
};

class TMain::LoopHost : public LoopWindow {
 public:
  explicit LoopHost(TMain& m) : m_(m) {}
  const TRadarList& Records() override { return m_.RadarList; }
  const ServerSettings& Servers() override { return m_.Servers; }
  std::string MapName() override { return Host.MapName; }
  std::string UnderlayFolder() override { return Host.PMapUnderlayPath; }
  std::string UnderlayName() override { return Host.UnderlayName; }
  bool PassRunning() override { return !m_.Process->Enabled(); }
  void SetLoopTimerEnabled(bool enabled) override { m_.Timer1->SetEnabled(enabled); }
  void SetLoopCaption(const std::string& text) override { m_.LoopLbl.caption = text; }
  void SetTimeCaption(const std::string& text) override { m_.TimeLbl.caption = text; }
  void SetMemoryCaption(const std::string& text, bool warning) override {
    m_.HeapLbl.caption = text;
    m_.HeapLbl.colour = warning ? clRed : clBlack;
  }
  void SetZoomItem(const std::string& caption, bool enabled) override {
    m_.RadarZoom1.caption = caption;
    m_.RadarZoom1.enabled = enabled;
  }
  void SetZoomItemEnabled(bool enabled) override { m_.RadarZoom1.enabled = enabled; }
  void SetLoopItemCaption(const std::string& caption) override { m_.LoopRadar1.caption = caption; }
  void SetLoopItemEnabled(bool enabled) override { m_.LoopRadar1.enabled = enabled; }
  void RefreshUiViewStatus() override { m_.UpdateUiViewStatus(); }
  void ProcessMessages() override { m_.ProcessMessages(); }
  void ClickRedraw() override { m_.RedrawBtnClick(); }
  void ZoomToArea(double west, double north, double east, double south) override {
    if (!m_.platform_.uiView) throw UiViewError("Not connected to UIView");
    m_.platform_.uiView->ZoomToArea(west, north, east, south);
  }

 private:
  TMain& m_;
};

}  // namespace ombrix
