// Settings file <-> TMain components, and the mode switch and log toggle
// that save them.
#include "app/Settings.h"

#include <algorithm>
#include <climits>

#include "app/ErrorLog.h"
#include "app/ProcessState.h"
#include "host/Discovery.h"
#include "ui/MainFrm.h"
#include "util/StrUtil.h"

namespace ombrix {

std::string SettingsFileName(const std::string& appDir, const std::string& exeName) {
  return appDir + exeName.substr(0, exeName.find('.')) + "2.ini";
}

int ReadSettingsInteger(ProfileFile& file, const std::string& section, const std::string& key, int def) {
  return StrToIntDef(file.ReadString(section, key, ""), def);
}

bool ReadSettingsBool(ProfileFile& file, const std::string& section, const std::string& key, bool def) {
  return ReadSettingsInteger(file, section, key, def ? 1 : 0) != 0;
}

ServerSettings ReadServerSettings(ProfileFile& f) {
  ServerSettings s;
  s.IowaBaseUrl = f.ReadString("URL", "IOWAState1", kDefaultIowaBaseUrl);
  s.ConUsImageName = f.ReadString("URL", "ConUS", kDefaultConUsImageName);
  s.ConUsWorldName = f.ReadString("URL", "ConUSWld", kDefaultConUsWorldName);
  s.TamuBaseUrl = f.ReadString("URL", "TAMU", kDefaultTamuBaseUrl);
  s.UsRadImageName = f.ReadString("URL", "USRad", kDefaultUsRadImageName);
  s.UsRadWorldName = f.ReadString("URL", "USRadWld", kDefaultUsRadWorldName);
  s.RidgeBaseUrl = f.ReadString("URL", "RIDGE", kDefaultRidgeBaseUrl);
  if (s.RidgeBaseUrl.find("://") == std::string::npos) s.RidgeBaseUrl = "http://" + s.RidgeBaseUrl;
  s.RidgeNatBaseUrl = f.ReadString("URL", "RIDGENAT", kDefaultRidgeNatBaseUrl);
  s.ProxyHost = f.ReadString("URL", "ProxyHost", "");
  s.ProxyPort = f.ReadString("URL", "ProxyPort", kDefaultProxyPort);
  return s;
}

std::unique_ptr<ProfileFile> TMain::OpenSettingsFile() {
  return platform_.openProfile ? platform_.openProfile(SettingsFile) : OpenProfileFile(SettingsFile);
}

void TMain::LoadSettings() {
  std::unique_ptr<ProfileFile> file = OpenSettingsFile();
  ProfileFile& f = *file;
  Form.left = ReadSettingsInteger(f, "User", "Left", Form.left);
  Form.top = ReadSettingsInteger(f, "User", "top", Form.top);
  Form.width = std::clamp(ReadSettingsInteger(f, "User", "Width", kMinFormWidth), kMinFormWidth, kMaxFormWidth);
  Form.height = std::clamp(ReadSettingsInteger(f, "User", "Height", kMinFormHeight), kMinFormHeight, kMaxFormHeight);
  Servers = ReadServerSettings(f);
  TargetCmb.text = f.ReadString("User", "Target", "");
  RadarCmb.text = f.ReadString("User", "Radar", "IL,Chicago,LOT");
  ProductCmb.text = f.ReadString("User", "Product", "N0R, Short Range Reflectivity");
  RedrawChk.checked = ReadSettingsBool(f, "User", "Redraw", true);
  Minimizeonstartup1.checked = ReadSettingsBool(f, "User", "Minimize", false);
  Logerrors1.checked = ReadSettingsBool(f, "User", "LogErrors", false);
  ShutDownwhenUiViewterminates1.checked = ReadSettingsBool(f, "User", "UiViewShutdown", true);
  HintHidePause = ReadSettingsInteger(f, "User", "HintPauseMS", 6000);
  AccumChk.checked = ReadSettingsBool(f, "User", "Accumulate", false);
  // A time-out under one second would never let a slow transfer finish (and
  // 0 would never cut a stalled one off): one second is the least.
  int webTimeOut = std::clamp(ReadSettingsInteger(f, "User", "WebTimeOut", 7), 1, INT_MAX / 1000);
  RidgeTimer->SetInterval(static_cast<unsigned>(webTimeOut) * 1000u);
  LegendChk.checked = ReadSettingsBool(f, "User", "Legend", false);
  TrayCaption = f.ReadString("User", "Caption", "");
  if (!TrayCaption.empty()) SetTrayTip(TrayCaption);
  WldTimer->SetInterval(RidgeTimer->Interval());
  // Out of range selects the nearest item, as a radio group does; only a
  // change to Client runs the switch (Server is already in force).
  int mode = std::clamp(ReadSettingsInteger(f, "User", "Mode", 0), 0, static_cast<int>(ModeGrp.items.size()) - 1);
  file.reset();
  SettingsLoaded = true;
  int before = ModeGrp.itemIndex;
  ModeGrp.itemIndex = mode;
  if (mode != before) {
    // The switch saves the settings. A file that cannot be written must not
    // stop the start half way (the download list is loaded after this), so
    // the failure is logged and beeped here instead of aborting creation.
    try {
      ModeGrpClick();
    } catch (const SettingsWriteError& e) {
      LogError(e.what());
      Beep();
    }
  }
  Form.caption = std::string(kProductName) + (ModeGrp.itemIndex == 0 ? " Server mode" : " Client mode");
}

void TMain::SaveSettings() {
  // The window takes messages sent from other threads and processes (the
  // tray, automation) from its creation on, before FormCreate has read the
  // file: a save then would write the blank components over the user's
  // settings.
  if (!SettingsLoaded) return;
  // The whole new file is built in memory and replaces the old one in one
  // step: writing key by key in place, a crash or a full disk half way
  // through would leave a truncated settings file.
  std::unique_ptr<ProfileFile> file =
      platform_.openProfile ? platform_.openProfile(SettingsFile) : OpenProfileFileBatch(SettingsFile);
  auto put = [&](const char* section, const char* key, const std::string& value) {
    if (!file->WriteString(section, key, value)) throw SettingsWriteError(SettingsFile);
  };
  auto flag = [](bool b) { return std::string(b ? "1" : "0"); };
  put("URL", "IOWAState1", Servers.IowaBaseUrl);
  put("URL", "ConUs", Servers.ConUsImageName);
  put("URL", "ConUSWld", Servers.ConUsWorldName);
  put("URL", "TAMU", Servers.TamuBaseUrl);
  put("URL", "USRad", Servers.UsRadImageName);
  put("URL", "USRadWld", Servers.UsRadWorldName);
  put("URL", "RIDGE", Servers.RidgeBaseUrl);
  put("URL", "RIDGENAT", Servers.RidgeNatBaseUrl);
  put("URL", "ProxyHost", Servers.ProxyHost);
  put("URL", "ProxyPort", Servers.ProxyPort);
  put("User", "Version", kProductName);
  put("User", "Redraw", flag(RedrawChk.checked));
  put("User", "Minimize", flag(Minimizeonstartup1.checked));
  put("User", "LogErrors", flag(Logerrors1.checked));
  put("User", "UiViewShutDown", flag(ShutDownwhenUiViewterminates1.checked));
  put("User", "HintPauseMS", std::to_string(HintHidePause));
  put("User", "Accumulate", flag(AccumChk.checked));
  put("User", "Mode", std::to_string(ModeGrp.itemIndex));
  put("User", "Target", TargetCmb.text);
  put("User", "Radar", RadarCmb.text);
  put("User", "Product", ProductCmb.text);
  put("User", "PMapServerPath", Host.PMapServerPath);
  put("User", "PMapUnderlayPath", Host.PMapUnderlayPath);
  put("User", "WebTimeOut", std::to_string(RidgeTimer->Interval() / 1000));
  put("User", "Width", std::to_string(Form.width));
  put("User", "Height", std::to_string(Form.height));
  put("User", "top", std::to_string(Form.top));
  put("User", "Left", std::to_string(Form.left));
  put("User", "Remaining", std::to_string(100 - MemoryLoad));
  put("User", "Legend", flag(LegendChk.checked));
  put("User", "Caption", TrayCaption);
  if (!file->Commit()) throw SettingsWriteError(SettingsFile);
}

void TMain::SwitchMode() {
  if (ClientMode()) {
    LogError(std::string(kProductName) + " in client mode");
    DownloadBtn.caption = "Process";
    DownloadBtn.hint = "Process selected radar images from server";
    Form.caption = std::string(kProductName) + " Client mode";
  } else {
    DownloadBtn.caption = "Download";
    DownloadBtn.hint = "Download selected radar images";
    LogError(std::string(kProductName) + " in server mode");
    Form.caption = std::string(kProductName) + " Server mode";
  }
  SaveSettings();
}

void TMain::Minimizeonstartup1Click() {
  Minimizeonstartup1.checked = !Minimizeonstartup1.checked;
  try {
    SaveSettings();
  } catch (const SettingsWriteError&) {
    // The check still applies to this run.
  }
}

void TMain::Logerrors1Click() {
  std::string s = std::string(kProductName) + (ClientMode() ? " Client" : " Server") + " mode, errorlog ";
  if (Logerrors1.checked) LogError(s + "off");
  Logerrors1.checked = !Logerrors1.checked;
  if (Logerrors1.checked) LogError(s + "on");
  SaveSettings();
}

}  // namespace ombrix
