#include <gtest/gtest.h>

#include <filesystem>

#include "app/Settings.h"
#include "MainFixture.h"
#include "records/DownloadList.h"
#include "util/FileUtil.h"

namespace ombrix::test {
namespace {

using SettingsTest = MainFixture;

const std::vector<std::string> kWritingOrder = {
    "URL.IOWAState1", "URL.ConUs",         "URL.ConUSWld",       "URL.TAMU",        "URL.USRad",
    "URL.USRadWld",   "URL.RIDGE",         "URL.RIDGENAT",       "URL.ProxyHost",   "URL.ProxyPort",
    "User.Version",   "User.Redraw",       "User.Minimize",      "User.LogErrors",  "User.UiViewShutDown",
    "User.HintPauseMS", "User.Accumulate", "User.Mode",          "User.Target",     "User.Radar",
    "User.Product",   "User.PMapServerPath", "User.PMapUnderlayPath", "User.WebTimeOut", "User.Width",
    "User.Height",    "User.top",          "User.Left",          "User.Remaining",  "User.Legend",
    "User.Caption"};

TEST(SettingsFileNameTest, UsesTheExecutableNameUpToItsFirstDot) {
  EXPECT_EQ(SettingsFileName("C:\\UIView\\", "Ombrix.exe"), "C:\\UIView\\Ombrix2.ini");
  EXPECT_EQ(SettingsFileName("/a/", "Ombrix.test.exe"), "/a/Ombrix2.ini");
  EXPECT_EQ(SettingsFileName("/a/", "ombrix"), "/a/ombrix2.ini");
}

TEST_F(SettingsTest, NoSettingsFileGivesEveryDefaultAndTheFirstSaveWritesAll31Keys) {
  TMain& m = Make();
  m.Form.left = 123;  // where the system placed the new window
  m.Form.top = 45;
  m.FormCreate();
  EXPECT_EQ(m.Form.left, 123);
  EXPECT_EQ(m.Form.top, 45);
  EXPECT_EQ(m.Form.width, 594);
  EXPECT_EQ(m.Form.height, 395);
  EXPECT_EQ(m.RadarCmb.text, "IL,Chicago,LOT");
  EXPECT_EQ(m.ProductCmb.text, "N0R, Short Range Reflectivity");
  EXPECT_EQ(m.TargetCmb.text, "");
  EXPECT_TRUE(m.RedrawChk.checked);
  EXPECT_TRUE(m.ShutDownwhenUiViewterminates1.checked);
  EXPECT_FALSE(m.Minimizeonstartup1.checked);
  EXPECT_FALSE(m.Logerrors1.checked);
  EXPECT_FALSE(m.AccumChk.checked);
  EXPECT_FALSE(m.LegendChk.checked);
  EXPECT_EQ(m.RidgeTimer->Interval(), 7000u);
  EXPECT_EQ(m.WldTimer->Interval(), 7000u);
  EXPECT_EQ(m.HintHidePause, 6000);
  EXPECT_EQ(m.ModeGrp.itemIndex, 0);
  EXPECT_EQ(m.Form.caption, "Ombrix 2.2.1 Server mode");
  EXPECT_EQ(m.DownloadBtn.caption, "Download");
  EXPECT_EQ(m.Servers.RidgeBaseUrl, "http://radar.weather.gov/ridge/RadarImg/");
  EXPECT_EQ(m.Servers.ProxyPort, "80");
  EXPECT_TRUE(ini->writes.empty()) << "a stored Server mode runs no mode switch and saves nothing";

  MemoryLoad = 37;
  m.SaveSettings();
  EXPECT_EQ(ini->writes, kWritingOrder);
  EXPECT_EQ(ini->KeyCount(), 31);
  EXPECT_EQ(Ini("User", "Version"), "Ombrix 2.2.1");
  EXPECT_EQ(Ini("URL", "IOWAState1"), "http://mesonet.agron.iastate.edu/data/gis/images/unproj/USCOMP/");
  EXPECT_EQ(Ini("URL", "TAMU"), "http://mesonet.tamu.edu/gemdata/images/radar/");
  EXPECT_EQ(Ini("URL", "RIDGENAT"), "http://radar.weather.gov/ridge/Conus/RadarImg/");
  EXPECT_EQ(Ini("URL", "ConUS"), "n0r_0.png");  // one key, whichever case
  EXPECT_EQ(Ini("User", "Redraw"), "1");
  EXPECT_EQ(Ini("User", "Minimize"), "0");
  EXPECT_EQ(Ini("User", "UiViewShutdown"), "1");
  EXPECT_EQ(Ini("User", "WebTimeOut"), "7");
  EXPECT_EQ(Ini("User", "Remaining"), "63");
  EXPECT_EQ(Ini("User", "Left"), "123");
  EXPECT_EQ(Ini("User", "Mode"), "0");
}

TEST_F(SettingsTest, IntegersReadDecimalOrHexAndBadValuesGiveTheirDefaults) {
  ini->Set("User", "Left", "0x1F4");
  ini->Set("User", "top", "abc");
  ini->Set("User", "Width", "700");
  ini->Set("User", "Height", "0X1c2");  // 450
  ini->Set("User", "Redraw", "zero");   // not an integer: default true
  ini->Set("User", "Minimize", "2");    // any non-zero integer is true
  ini->Set("User", "logerrors", "0x0");
  ini->Set("USER", "HintPauseMS", "2500");
  ini->Set("User", "Accumulate", "-1");
  ini->Set("User", "WebTimeOut", "twelve");
  TMain& m = Make();
  m.Form.top = 77;
  m.FormCreate();
  EXPECT_EQ(m.Form.left, 500);
  EXPECT_EQ(m.Form.top, 77);
  EXPECT_EQ(m.Form.width, 700);
  EXPECT_EQ(m.Form.height, 450);
  EXPECT_TRUE(m.RedrawChk.checked);
  EXPECT_TRUE(m.Minimizeonstartup1.checked);
  EXPECT_FALSE(m.Logerrors1.checked);
  EXPECT_EQ(m.HintHidePause, 2500);
  EXPECT_TRUE(m.AccumChk.checked);
  EXPECT_EQ(m.RidgeTimer->Interval(), 7000u);
}

TEST_F(SettingsTest, WindowGeometryStaysWithinTheWindowLimits) {
  ini->Set("User", "Width", "1200");
  ini->Set("User", "Height", "100");
  Start();
  EXPECT_EQ(main->Form.width, 800);
  EXPECT_EQ(main->Form.height, 395);
  ini->Set("User", "Width", "10");
  ini->Set("User", "Height", "9000");
  Start();
  EXPECT_EQ(main->Form.width, 594);
  EXPECT_EQ(main->Form.height, 600);
}

TEST_F(SettingsTest, OnlyARidgeValueWithoutSchemeGetsHttpInFront) {
  ini->Set("URL", "RIDGE", "radar.example.org/ridge/RadarImg/");
  ini->Set("URL", "RIDGENAT", "radar.example.org/ridge/Conus/");
  ini->Set("URL", "IOWAState1", "mesonet.example.org/x/");
  ini->Set("URL", "TAMU", "ftp://tamu.example.org/y/");
  ini->Set("URL", "ProxyHost", "proxy.lan");
  ini->Set("URL", "ProxyPort", "3128");
  Start();
  EXPECT_EQ(main->Servers.RidgeBaseUrl, "http://radar.example.org/ridge/RadarImg/");
  EXPECT_EQ(main->Servers.RidgeNatBaseUrl, "radar.example.org/ridge/Conus/");
  EXPECT_EQ(main->Servers.IowaBaseUrl, "mesonet.example.org/x/");
  EXPECT_EQ(main->Servers.TamuBaseUrl, "ftp://tamu.example.org/y/");
  EXPECT_EQ(main->Servers.ProxyHost, "proxy.lan");
  EXPECT_EQ(main->Servers.ProxyPort, "3128");
  ini->Set("URL", "RIDGE", "https://secure.example.org/");
  Start();
  EXPECT_EQ(main->Servers.RidgeBaseUrl, "https://secure.example.org/");
}

TEST_F(SettingsTest, WebTimeOutSetsBothTimersAndNeverFallsBelowOneSecond) {
  ini->Set("User", "WebTimeOut", "12");
  Start();
  EXPECT_EQ(main->RidgeTimer->Interval(), 12000u);
  EXPECT_EQ(main->WldTimer->Interval(), 12000u);
  main->SaveSettings();
  EXPECT_EQ(Ini("User", "WebTimeOut"), "12");
  ini->Set("User", "WebTimeOut", "0");
  Start();
  EXPECT_EQ(main->RidgeTimer->Interval(), 1000u);
  ini->Set("User", "WebTimeOut", "-5");
  Start();
  EXPECT_EQ(main->RidgeTimer->Interval(), 1000u);
}

TEST_F(SettingsTest, StoredClientModeSwitchesAtStartAndRewritesTheSettings) {
  for (const char* stored : {"1", "5"}) {  // 5 is out of range: the last item, Client
    SCOPED_TRACE(stored);
    ini = std::make_shared<FakeProfileStore>();
    ini->Set("User", "Mode", stored);
    Start();
    EXPECT_EQ(main->ModeGrp.itemIndex, 1);
    EXPECT_TRUE(main->ClientMode());
    EXPECT_EQ(main->Form.caption, "Ombrix 2.2.1 Client mode");
    EXPECT_EQ(main->DownloadBtn.caption, "Process");
    EXPECT_EQ(main->DownloadBtn.hint, "Process selected radar images from server");
    EXPECT_EQ(ini->writes.size(), 31u) << "the mode switch saves the settings";
    EXPECT_EQ(Ini("User", "Mode"), "1");
    EXPECT_EQ(Ini("User", "PMapUnderlayPath"), "");
  }
}

TEST_F(SettingsTest, NegativeModeReadsAsServer) {
  ini->Set("User", "Mode", "-3");
  Start();
  EXPECT_EQ(main->ModeGrp.itemIndex, 0);
  EXPECT_EQ(main->Form.caption, "Ombrix 2.2.1 Server mode");
  EXPECT_TRUE(ini->writes.empty());
}

TEST_F(SettingsTest, SwitchModeSetsCaptionsAndSavesBothWays) {
  Start();
  main->ModeGrp.itemIndex = 1;
  main->ModeGrpClick();
  EXPECT_EQ(main->Form.caption, "Ombrix 2.2.1 Client mode");
  EXPECT_EQ(Ini("User", "Mode"), "1");
  main->ModeGrp.itemIndex = 0;
  main->ModeGrpClick();
  EXPECT_EQ(main->Form.caption, "Ombrix 2.2.1 Server mode");
  EXPECT_EQ(main->DownloadBtn.caption, "Download");
  EXPECT_EQ(main->DownloadBtn.hint, "Download selected radar images");
  EXPECT_EQ(Ini("User", "Mode"), "0");
}

TEST_F(SettingsTest, ARefusedKeyStopsTheSaveWithThePathAfterTheKeysBeforeItWereWritten) {
  Start();
  ini->refuseFromWrite = 11;  // Redraw, after the [URL] keys and Version
  try {
    main->SaveSettings();
    FAIL() << "expected the save to fail";
  } catch (const SettingsWriteError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + dir / "Ombrix2.ini");
  }
  ASSERT_EQ(ini->writes.size(), 11u);
  EXPECT_EQ(ini->writes.back(), "User.Version");
  EXPECT_EQ(Ini("User", "Redraw"), "<missing>");
}

TEST_F(SettingsTest, ACommandBeforeTheSettingsAreReadLeavesTheFileAsItIs) {
  // A menu command sent while the window is still being made (before
  // FormCreate), and a close then: the stored addresses must survive.
  ini->Set("URL", "RIDGE", "http://127.0.0.1:8080/ridge/RadarImg/");
  TMain& m = Make();
  m.Minimizeonstartup1Click();
  m.Logerrors1Click();
  m.FormClose();
  EXPECT_TRUE(ini->writes.empty());
  m.FormCreate();
  EXPECT_EQ(m.Servers.RidgeBaseUrl, "http://127.0.0.1:8080/ridge/RadarImg/");
  m.SaveSettings();
  EXPECT_EQ(Ini("URL", "RIDGE"), "http://127.0.0.1:8080/ridge/RadarImg/");
}

TEST_F(SettingsTest, MenuTogglesSaveAndOnlyMinimizeIgnoresAFailedSave) {
  Start();
  main->Minimizeonstartup1Click();
  EXPECT_TRUE(main->Minimizeonstartup1.checked);
  EXPECT_EQ(Ini("User", "Minimize"), "1");
  ini->refuseFromWrite = static_cast<int>(ini->writes.size());
  EXPECT_NO_THROW(main->Minimizeonstartup1Click());
  EXPECT_FALSE(main->Minimizeonstartup1.checked);
  EXPECT_THROW(main->Logerrors1Click(), SettingsWriteError) << "reaches the caller's error report";
  EXPECT_THROW(main->ShutDownwhenUiViewterminates1Click(), SettingsWriteError);
  main->ModeGrp.itemIndex = 1;
  EXPECT_THROW(main->ModeGrpClick(), SettingsWriteError);
}

TEST_F(SettingsTest, AStoredCaptionGoesIntoTheTrayTipCutTo63Characters) {
  std::string seventy(70, 'x');
  ini->Set("User", "Caption", seventy);
  Start();
  EXPECT_EQ(main->TrayCaption, seventy);
  EXPECT_EQ(main->TrayTip, std::string(63, 'x'));
  main->SaveSettings();
  EXPECT_EQ(Ini("User", "Caption"), seventy);
}

TEST_F(SettingsTest, SavedSettingsLoadBackIntoTheSameComponents) {
  TMain& a = Start();
  a.Form = {"", 10, 20, 640, 480, false};
  a.TargetCmb.text = "\\\\server\\PMap Underlays\\";
  a.RadarCmb.text = "WY,Riverton,RIW";
  a.ProductCmb.text = "N1P, 1 Hour Precipitation";
  a.RedrawChk.checked = false;
  a.Minimizeonstartup1.checked = true;
  a.Logerrors1.checked = true;
  a.ShutDownwhenUiViewterminates1.checked = false;
  a.AccumChk.checked = true;
  a.LegendChk.checked = true;
  a.HintHidePause = 1234;
  a.RidgeTimer->SetInterval(9000);
  a.TrayCaption = "Underlay = radar";
  a.SaveSettings();
  TMain& b = Start();
  EXPECT_EQ(b.Form.left, 10);
  EXPECT_EQ(b.Form.top, 20);
  EXPECT_EQ(b.Form.width, 640);
  EXPECT_EQ(b.Form.height, 480);
  EXPECT_EQ(b.TargetCmb.text, "\\\\server\\PMap Underlays\\");
  EXPECT_EQ(b.RadarCmb.text, "WY,Riverton,RIW");
  EXPECT_EQ(b.ProductCmb.text, "N1P, 1 Hour Precipitation");
  EXPECT_FALSE(b.RedrawChk.checked);
  EXPECT_TRUE(b.Minimizeonstartup1.checked);
  EXPECT_TRUE(b.Logerrors1.checked);
  EXPECT_FALSE(b.ShutDownwhenUiViewterminates1.checked);
  EXPECT_TRUE(b.AccumChk.checked);
  EXPECT_TRUE(b.LegendChk.checked);
  EXPECT_EQ(b.HintHidePause, 1234);
  EXPECT_EQ(b.RidgeTimer->Interval(), 9000u);
  EXPECT_EQ(b.TrayCaption, "Underlay = radar");
}

// Window creation and close around the settings.
TEST_F(SettingsTest, AReadOnlySettingsFileAtStartDoesNotStopCreation) {
  ini->Set("User", "Mode", "1");
  ini->refuseFromWrite = 0;
  WriteFile(dir / "DownLoadList.txt",
            "IL,Chicago,LOT\tShort Range Reflectivity, N0R\tLOT_N0R_0\tOK\t\tFALSE\tTRUE\t"
            "03/15/2023 10:00:00\t03/15/2023 09:55:00\t03/15/2023 10:05:00\r\n");
  Start();
  EXPECT_EQ(main->Form.caption, "Ombrix 2.2.1 Client mode");
  EXPECT_EQ(beeps, 1);
  EXPECT_EQ(main->RadarList.Count(), 1) << "the download list is still loaded";
  EXPECT_FALSE(Closing);
}

TEST_F(SettingsTest, CloseFreesTheRecordsSavesAndLogsTheShutdownLine) {
  ini->Set("User", "LogErrors", "1");
  WriteFile(dir / "DownLoadList.txt",
            "IL,Chicago,LOT\tShort Range Reflectivity, N0R\tLOT_N0R_0\tOK\t\tFALSE\tTRUE\t"
            "03/15/2023 10:00:00\t03/15/2023 09:55:00\t03/15/2023 10:05:00\r\n");
  Start();
  ASSERT_EQ(main->RadarList.Count(), 1);
  LogError("running");
  main->FormClose();
  EXPECT_EQ(main->RadarList.Count(), 0);
  EXPECT_EQ(ini->writes.size(), 31u);
  EXPECT_EQ(beeps, 0);
  std::string log = ReadFile(LogPath());
  EXPECT_NE(log.find("\r\nOmbrix 2.2.1 Shut down while in server mode. Mem load=37,Tot phys=6291456k,"),
            std::string::npos)
      << log;
  EXPECT_EQ(ReadFile(dir / "DownLoadList.txt").substr(0, 14), "IL,Chicago,LOT") << "close does not write the list";
}

TEST_F(SettingsTest, AFailedSaveAtCloseBeepsAndSkipsTheShutdownLine) {
  ini->Set("User", "LogErrors", "1");
  ini->Set("User", "Mode", "1");
  Start();
  ini->refuseFromWrite = static_cast<int>(ini->writes.size());
  LogError("running");
  main->FormClose();
  EXPECT_EQ(beeps, 1);
  EXPECT_EQ(ReadFile(LogPath()).find("Shut down"), std::string::npos);
}

}  // namespace
}  // namespace ombrix::test

namespace ombrix::test {
namespace {

using StartupTest = MainFixture;

TEST_F(StartupTest, FirstStartWithNoListFilesKeepsTheBuiltInListsAndAnEmptyDownloadList) {
  Start();
  EXPECT_EQ(main->RadarCmb.items.size(), 150u);
  EXPECT_EQ(main->ProductCmb.items.size(), 6u);
  EXPECT_TRUE(main->RadarList.Empty());
  EXPECT_DOUBLE_EQ(LastMemoryLog, LocalNow());
  EXPECT_FALSE(MemoryWarned);
}

TEST_F(StartupTest, CatalogueFilesReplaceTheSelectorItemsSorted) {
  WriteFile(dir / "Radars.txt", "WY,Riverton,RIW\r\n!!Nat,National\r\nak,Sitka,ACG\r\n");
  WriteFile(dir / "Products.txt", "NVL, Vertically Integrated Liquid\r\nN0R, Short Range Reflectivity\r\n");
  Start();
  EXPECT_EQ(main->RadarCmb.items, (std::vector<std::string>{"!!Nat,National", "ak,Sitka,ACG", "WY,Riverton,RIW"}));
  EXPECT_EQ(main->ProductCmb.items,
            (std::vector<std::string>{"N0R, Short Range Reflectivity", "NVL, Vertically Integrated Liquid"}));
}

TEST_F(StartupTest, TheDownloadListLoadsWithTheStoredServerAddresses) {
  ini->Set("URL", "RIDGE", "mirror.example.org/ridge/");
  WriteFile(dir / "downloadlist.TXT",
            "IL,Chicago,LOT\tVelocity, N0V\tx\tOK\t\tFALSE\tTRUE\t03/15/2023 10:00:00\t03/15/2023 09:55:00\t"
            "03/15/2023 10:05:00\r\n");
  Start();
  ASSERT_EQ(main->RadarList.Count(), 1);
  EXPECT_EQ(main->RadarList.Objects(0).ImageUrl, "http://mirror.example.org/ridge/N0V/LOT_N0V_0.gif");
  main->RadarList.Delete(0);
  main->SaveDownloadList();
  EXPECT_EQ(ReadFile(dir / "downloadlist.TXT"), "") << "written over the existing file, whatever its case";
}

}  // namespace
}  // namespace ombrix::test

// The same through the platform's profile functions and a real file.
namespace ombrix::test {
namespace {

class RealSettingsFileTest : public MainFixture {
 protected:
  TMain& StartReal() {
    main.reset();
    Platform p;
    p.loop = &loop;
    p.beep = [this] { ++beeps; };
    p.memory = &memory;
    main = std::make_unique<TMain>(std::move(p), dir.Path());
    main->SettingsFile = dir / "Ombrix2.ini";
    main->FormCreate();
    return *main;
  }
};

TEST_F(RealSettingsFileTest, ACloseWithoutSettingsFileWritesAll31KeysInWritingOrder) {
  StartReal().FormClose();
  EXPECT_EQ(beeps, 0);
  std::string text = ReadFile(dir / "Ombrix2.ini");
  size_t at = 0;
  for (const std::string& name : kWritingOrder) {
    std::string key = name.substr(name.find('.') + 1) + "=";
    size_t found = text.find("\r\n" + key, at);
    ASSERT_NE(found, std::string::npos) << key << " after offset " << at << " in\n" << text;
    at = found + 1;
  }
  EXPECT_NE(text.find("\r\nVersion=Ombrix 2.2.1\r\n"), std::string::npos);
  EXPECT_EQ(text.substr(0, 7), "[URL]\r\n");
  EXPECT_NE(text.find("[User]\r\n"), std::string::npos);
  StartReal();  // and reads back
  EXPECT_EQ(main->Servers.RidgeBaseUrl, "http://radar.weather.gov/ridge/RadarImg/");
}

TEST_F(RealSettingsFileTest, ASaveReplacesTheWholeFileInOneStepWithTheBytesOfKeyByKeyWrites) {
  StartReal().FormClose();
  const std::string path = dir / "Ombrix2.ini";
  WriteFile(path, "; kept\r\n" + ReadFile(path) + "[Other]\r\nx=1\r\n");
  const std::string before = ReadFile(path);
  StartReal();
  main->RedrawChk.checked = false;
  main->TrayCaption = "Station";
  // A second name of the same file: written in place, it would show the
  // new text (or a half of it, had the program died in between).
  const std::string link = dir / "link.ini";
  std::filesystem::create_hard_link(path, link);
  main->SaveSettings();
  EXPECT_EQ(ReadFile(link), before);
  const std::string after = ReadFile(path);
  EXPECT_NE(after.find("\r\nRedraw=0\r\n"), std::string::npos);
  EXPECT_FALSE(FileExists(path + ".tmp"));
  // The same 31 values written key by key through the platform's profile
  // functions leave the same bytes.
  const std::string copy = dir / "copy.ini";
  WriteFile(copy, before);
  auto saved = OpenProfileFile(path);
  auto single = OpenProfileFile(copy);
  for (const std::string& name : kWritingOrder) {
    std::string section = name.substr(0, name.find('.')), key = name.substr(name.find('.') + 1);
    ASSERT_TRUE(single->WriteString(section, key, saved->ReadString(section, key, "")));
  }
  EXPECT_EQ(ReadFile(copy), after);
}

TEST_F(RealSettingsFileTest, AReadOnlySettingsFileMakesTheCloseBeepAndStillFinish) {
  StartReal().FormClose();
  const std::string before = ReadFile(dir / "Ombrix2.ini");
  namespace fs = std::filesystem;
  const fs::perms writeBits = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
  fs::permissions(dir / "Ombrix2.ini", writeBits, fs::perm_options::remove);
  StartReal();
  main->RedrawChk.checked = false;
  EXPECT_THROW(main->SaveSettings(), SettingsWriteError);
  main->FormClose();
  EXPECT_EQ(beeps, 1);
  EXPECT_EQ(main->RadarList.Count(), 0);
  EXPECT_EQ(ReadFile(dir / "Ombrix2.ini"), before);
  fs::permissions(dir / "Ombrix2.ini", fs::perms::owner_write, fs::perm_options::add);
}

}  // namespace
}  // namespace ombrix::test
