// TMain's host integration: the UI-View32 status display, the target folder
// commands and the automation link's commands and event.
#include <exception>

#include "app/ErrorLog.h"
#include "host/Discovery.h"
#include "host/TargetList.h"
#include "host/UiViewLink.h"
#include "ui/Dialogs.h"
#include "ui/MainFrm.h"
#include "util/FileUtil.h"
#include "util/StrUtil.h"

namespace ombrix {

namespace {

const char* const kNotConnectedText = "Not connected to UIView, cannot redraw map, disabling redraw capability.";
const char* const kRestartText =
    "Shut down this application, and restart to establish connection to a running session of UiView";

void SetPanel(StatusBar& bar, size_t index, const std::string& text) {
  if (bar.panels.size() <= index) bar.panels.resize(index + 1);
  bar.panels[index] = text;
}

}  // namespace

void TMain::SetTrayTip(const std::string& text) { TrayTip = text.substr(0, 63); }

void TMain::UpdateUiViewStatus() {
  if (platform_.registry) DiscoverHost(*platform_.registry);
  UvULbl.caption = Host.MapName.empty() ? "Unable to determine current UiView Map" : "UiView Map = " + Host.MapName;
  if (Host.UnderlayName.empty()) {
    UvULbl.caption += ", Underlay NOT selected in UiView";
    RedrawChk.caption = "Can't automatically redraw, Underlay unknown";
    RedrawChk.enabled = false;
    TrayCaption = "Underlay NOT Selected in UiView";
    SetTrayTip(TrayCaption);
    return;
  }
  size_t dot = Host.UnderlayName.find('.');
  std::string base = dot == std::string::npos ? std::string() : Host.UnderlayName.substr(0, dot);
  UvULbl.caption += ", underlay = " + base;
  RedrawChk.enabled = true;
  RedrawChk.caption = "Redraw UiView when " + base + " updates";
  RedrawChk.hint = "Forces local UiView to redraw when new " + base + " is sent to Target dir";
  // Only our own "unknown" texts give way; a caption the user chose stays.
  if (TrayCaption.find("Underlay unknown") != std::string::npos || TrayCaption.find(" NOT ") != std::string::npos) {
    TrayCaption = "Underlay = " + base;
    SetTrayTip(TrayCaption);
  }
  LoopRadar1.caption = "Loop " + base + " Radar";
}

void TMain::MinTimerTimer() {
  MinTimer->SetEnabled(false);
  try {
    UpdateUiViewStatus();
  } catch (const std::exception&) {
  }
  MinTimer->SetEnabled(true);
}

void TMain::LoadTargetDirList() {
  std::vector<std::string> items;
  if (LoadTargetList(AppDir() + kTargetListFile, items)) TargetCmb.items = std::move(items);
}

bool TMain::SeedTargetList() {
  try {
    if (TargetCmb.items.empty()) {
      if (DirectoryExists(Host.PMapUnderlayPath)) {
        TargetCmb.items.push_back(Host.PMapUnderlayPath);
        SaveTargetList(AppDir() + kTargetListFile, TargetCmb.items);
      } else if (!DirectoryExists(Host.UiViewFolder)) {
        if (platform_.dialogs)
          platform_.dialogs->ShowError(
              "Cannot find UIView directory.  UiView must be installed before proceeding\rAborting...");
        if (platform_.closeMainWindow) platform_.closeMainWindow();
        return false;
      }
    }
  } catch (const std::exception&) {
    return true;  // seeding is a convenience; the program runs on without it
  }
  if (TargetCmb.items.size() == 1) TargetCmb.text = TargetCmb.items.front();
  return true;
}

void TMain::AddTargetBtnClick() {
  std::optional<std::string> chosen;
  if (platform_.dialogs) chosen = platform_.dialogs->BrowseForFolder("Ombrix Target Directory");
  if (chosen) {
    // Target entries are Windows folder paths and end in a backslash.
    std::string path = *chosen;
    if (!path.empty() && path.back() != '\\' && path.back() != '/') path += '\\';
    if (IndexOfTarget(TargetCmb.items, path) < 0) {
      TargetCmb.items.push_back(path);
      TargetCmb.text = path;
      try {
        SaveTargetList(AppDir() + kTargetListFile, TargetCmb.items);
      } catch (const std::exception& e) {
        if (platform_.dialogs) platform_.dialogs->ShowMessage(e.what());
        return;
      }
      SaveHostSettings();
    }
  }
  if (Host.PMapUnderlayPath.empty()) {
    UpdateUiViewStatus();
    if (Host.PMapUnderlayPath.empty()) ReportPMapServerMissing();
  }
}

void TMain::TargetDelBtnClick() {
  std::string t = Trim(TargetCmb.text);
  int index = IndexOfTarget(TargetCmb.items, t);
  if (index >= 0 && platform_.dialogs && platform_.dialogs->Confirm("Delete directory " + t + "?")) {
    TargetCmb.items.erase(TargetCmb.items.begin() + index);
    try {
      SaveTargetList(AppDir() + kTargetListFile, TargetCmb.items);
    } catch (const std::exception& e) {
      if (platform_.dialogs) platform_.dialogs->ShowMessage(e.what());
      return;
    }
    TargetCmb.text.clear();
    SaveHostSettings();
  }
  UpdateUiViewStatus();
  if (Host.PMapUnderlayPath.empty()) ReportPMapServerMissing();
}

void TMain::ReportPMapServerMissing() {
  LogError("Cannot find PMapServer");
  if (platform_.dialogs)
    platform_.dialogs->ShowError(
        "Cannot find PMapServer!\r\rUiView32 2.0.3 and PMapServer6 or later must be installed!\r"
        "Press add btn and select local PMapServer directory.");
  SetPanel(Sbar, 0, "Cannot find PMapServer directory! Press Target directories, add btn and select local PMapServer dir");
  SetPanel(Sbar, 1, "ERROR");
  Shape1.brushColour = clRed;
  StateLbl.caption = "Processing suspended, cannot find local PMapServer directory!";
}

bool TMain::ConnectUiView() {
  bool connected = false;
  if (UiViewLink* link = platform_.uiView) {
    link->OnUIView32IsClosing = [this] { clsUIV1UIView32IsClosing(); };
    try {
      link->Connect();
      connected = true;
    } catch (const std::exception&) {
    }
  }
  RedrawBtn.enabled = connected;
  return connected;
}

void TMain::RedrawBtnClick() {
  if (!RedrawChk.checked) {
    SetPanel(Sbar, 0, "Redrawing disabled, cannot redraw map");
    return;
  }
  SetPanel(Sbar, 0, "Redrawing map");
  if (UiViewConnected) {
    try {
      if (!platform_.uiView) throw UiViewError("no link");
      platform_.uiView->RedrawMap();
    } catch (const std::exception&) {
      RidgeLbl.caption = kRestartText;
      FileLbl.caption = "Error attempting to redraw UiView";
    }
    return;
  }
  RidgeLbl.caption = kRestartText;
  FileLbl.caption = kNotConnectedText;
  SetPanel(Sbar, 0, FileLbl.caption);
  LogError(FileLbl.caption);
  RedrawChk.checked = false;
  Beep();
}

void TMain::clsUIV1UIView32IsClosing() {
  RedrawBtn.enabled = false;
  if (ShutDownwhenUiViewterminates1.checked && platform_.closeMainWindow) platform_.closeMainWindow();
}

void TMain::ShutDownwhenUiViewterminates1Click() {
  ShutDownwhenUiViewterminates1.checked = !ShutDownwhenUiViewterminates1.checked;
  SaveHostSettings();
}

void TMain::DisconnectUiView() {
  if (UiViewLink* link = platform_.uiView) {
    link->OnUIView32IsClosing = nullptr;
    try {
      link->Disconnect();
    } catch (const std::exception&) {
    }
  }
}

// Every persisted choice is written at once.
void TMain::SaveHostSettings() {
  if (platform_.saveSettings) platform_.saveSettings();
  else SaveSettings();
}

}  // namespace ombrix
