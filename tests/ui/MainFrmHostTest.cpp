// The host side of the main window: status texts after discovery, the target
// folder commands, the redraw command and UI-View32's closing event.
#include <gtest/gtest.h>

#include "app/ErrorLog.h"
#include "app/ProcessState.h"
#include "host/Discovery.h"
#include "host/UiViewLink.h"
#include "support/FakeHost.h"
#include "ui/Dialogs.h"
#include "ui/MainFrm.h"
#include "util/FakeEventLoop.h"
#include "util/FileUtil.h"

using namespace ombrix;
using ombrix::test::FakeHost;
using ombrix::test::ReadFile;
using ombrix::test::TempDir;
using ombrix::test::WriteFile;

namespace {

class MainHost : public ::testing::Test {
 protected:
  FakeClock clock;
  FakeEventLoop loop{clock};
  FakeHost host;
  FakeDialogs dialogs;
  FakeUiViewLink link;
  TempDir appDir;
  int beeps = 0, closes = 0, saves = 0;
  std::unique_ptr<TMain> main;

  void SetUp() override {
    Host = {};
    ResetProcessState();
    TheErrorLogConfig().folder = appDir.Path();
    TheErrorLogConfig().enabled = true;
    Platform p;
    p.loop = &loop;
    p.beep = [this] { ++beeps; };
    p.registry = &host.registry;
    p.dialogs = &dialogs;
    p.uiView = &link;
    p.closeMainWindow = [this] { ++closes; };
    p.saveSettings = [this] { ++saves; };
    main = std::make_unique<TMain>(p, appDir.Path());
  }
  void TearDown() override {
    TheErrorLogConfig().enabled = false;
    Host = {};
  }
  Platform Bare(Registry& registry, std::function<void()> close = {}) {
    Platform p;
    p.loop = &loop;
    p.registry = &registry;
    p.dialogs = &dialogs;
    p.uiView = &link;
    p.closeMainWindow = std::move(close);
    return p;
  }
  std::string TargetFile() { return appDir / "TargetDirList.txt"; }
  std::string LogText() {
    std::string all;
    for (const FoundFile& f : FindFiles(appDir / "R*ErrorLog.txt")) all += ReadFile(appDir / f.name);
    return all;
  }
  size_t Count(const std::string& kind) {
    size_t n = 0;
    for (auto& s : dialogs.shown) n += s.kind == kind;
    return n;
  }
};

TEST_F(MainHost, StatusWithKnownUnderlay) {
  host.InstallUiView("!!PMapServer7.map");
  host.InstallPMap("PMapServer7", {.underlay = "C:\\x\\radar.bmp"});
  main->TrayCaption = "Underlay NOT Selected in UiView";
  main->UpdateUiViewStatus();
  EXPECT_EQ(main->UvULbl.caption, "UiView Map = PMapServer7, underlay = radar");
  EXPECT_EQ(main->RedrawChk.caption, "Redraw UiView when radar updates");
  EXPECT_EQ(main->RedrawChk.hint, "Forces local UiView to redraw when new radar is sent to Target dir");
  EXPECT_TRUE(main->RedrawChk.enabled);
  EXPECT_EQ(main->TrayCaption, "Underlay = radar");
  EXPECT_EQ(main->TrayTip, "Underlay = radar");
  EXPECT_EQ(main->LoopRadar1.caption, "Loop radar Radar");

  // A caption of the user's own is never overwritten.
  main->TrayCaption = "My weather station";
  main->UpdateUiViewStatus();
  EXPECT_EQ(main->TrayCaption, "My weather station");
  main->TrayCaption = "Can't automatically redraw, Underlay unknown";
  main->UpdateUiViewStatus();
  EXPECT_EQ(main->TrayCaption, "Underlay = radar");
}

TEST_F(MainHost, StatusWithoutMapOrUnderlay) {
  host.InstallPMap("PMAPSERVER7", {.underlay = ""});
  main->RedrawChk.checked = true;
  main->LoopRadar1.caption = "Loop Radar";
  main->UpdateUiViewStatus();
  EXPECT_EQ(main->UvULbl.caption, "Unable to determine current UiView Map, Underlay NOT selected in UiView");
  EXPECT_EQ(main->RedrawChk.caption, "Can't automatically redraw, Underlay unknown");
  EXPECT_FALSE(main->RedrawChk.enabled);
  EXPECT_TRUE(main->RedrawChk.checked);  // the check mark is left alone
  EXPECT_EQ(main->TrayCaption, "Underlay NOT Selected in UiView");
  EXPECT_EQ(main->TrayTip, "Underlay NOT Selected in UiView");
  EXPECT_EQ(main->LoopRadar1.caption, "Loop Radar");

  // An underlay name without "." gives an empty base.
  Host.UnderlayName = "radar";
  main->UpdateUiViewStatus();
  EXPECT_EQ(main->UvULbl.caption, "Unable to determine current UiView Map, underlay = ");
  EXPECT_EQ(main->LoopRadar1.caption, "Loop  Radar");
}

TEST_F(MainHost, SetTrayTipKeeps63Characters) {
  main->SetTrayTip(std::string(70, 'x'));
  EXPECT_EQ(main->TrayTip, std::string(63, 'x'));
}

TEST_F(MainHost, MinuteTimerRefreshesTheStatus) {
  EXPECT_EQ(main->MinTimer->Interval(), 60000u);
  main->Process->SetEnabled(false);  // its tick refreshes the status too, without a PMapServer map
  host.InstallUiView("Texas.map");
  loop.AdvanceMs(59999);
  EXPECT_EQ(Host.MapName, "");
  loop.AdvanceMs(1);
  EXPECT_EQ(Host.MapName, "Texas");
  EXPECT_TRUE(main->MinTimer->Enabled());
  EXPECT_EQ(main->UvULbl.caption, "UiView Map = Texas, Underlay NOT selected in UiView");
}

TEST_F(MainHost, FirstShowSeedsTheListWithTheUnderlayFolder) {
  host.InstallUiView("!!PMapServer7.map");
  host.InstallPMap("PMapServer7", {.underlay = "radar.bmp"});
  main->FormCreate();
  main->FormShow();
  std::string underlays = host.UnderlaysOf("PMapServer7");
  EXPECT_EQ(main->TargetCmb.items, std::vector<std::string>{underlays});
  EXPECT_EQ(main->TargetCmb.text, underlays);
  EXPECT_EQ(ReadFile(TargetFile()), underlays + "\r\n");
  EXPECT_EQ(closes, 0);
  EXPECT_TRUE(main->Form.visible);
}

TEST_F(MainHost, FirstShowWithUiViewButNoUnderlayFolderRunsOnWithEmptyList) {
  host.InstallUiView("Texas.map");
  main->FormCreate();
  main->FormShow();
  EXPECT_TRUE(main->TargetCmb.items.empty());
  EXPECT_FALSE(FileExists(TargetFile()));
  EXPECT_EQ(closes, 0);
  EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(MainHost, FirstShowWithoutUiViewEndsTheProgram) {
  main->FormCreate();
  main->FormShow();
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].kind, "error");
  EXPECT_EQ(dialogs.shown[0].text,
            "Cannot find UIView directory.  UiView must be installed before proceeding\rAborting...");
  EXPECT_EQ(closes, 1);
  EXPECT_FALSE(main->Form.visible);

  // A list kept from an earlier run needs no UI-View32 at first display.
  WriteFile(TargetFile(), "C:\\Other\\\r\n");
  closes = 0;
  dialogs.shown.clear();
  TMain again(Bare(host.registry, [this] { ++closes; }), appDir.Path());
  again.FormCreate();
  again.FormShow();
  EXPECT_EQ(closes, 0);
  EXPECT_EQ(again.TargetCmb.text, "C:\\Other\\");
}

TEST_F(MainHost, LoadKeepsFileEntriesAsTheyStand) {
  WriteFile(TargetFile(), "C:\\A\\\r\n\r\nc:\\a\\\n \\\\pc\\u ");
  host.InstallUiView("x.map");
  main->FormCreate();
  main->FormShow();
  EXPECT_EQ(main->TargetCmb.items, (std::vector<std::string>{"C:\\A\\", "", "c:\\a\\", " \\\\pc\\u "}));
  EXPECT_EQ(main->TargetCmb.text, "");  // more than one entry: nothing chosen
}

TEST_F(MainHost, AddAppendsBackslashRefusesCaseDuplicatesAndSaves) {
  Host.PMapUnderlayPath = "C:\\PMap\\PMap Underlays\\";
  dialogs.browseAnswers = {std::string("C:\\PMap\\PMap Underlays"), std::string("c:\\pmap\\pmap underlays\\"),
                           std::string("D:\\Share\\")};
  main->AddTargetBtnClick();
  EXPECT_EQ(dialogs.shown.at(0).kind, "browse");
  EXPECT_EQ(dialogs.shown.at(0).text, "Ombrix Target Directory");
  EXPECT_EQ(main->TargetCmb.items, std::vector<std::string>{"C:\\PMap\\PMap Underlays\\"});
  EXPECT_EQ(main->TargetCmb.text, "C:\\PMap\\PMap Underlays\\");
  EXPECT_EQ(ReadFile(TargetFile()), "C:\\PMap\\PMap Underlays\\\r\n");
  EXPECT_EQ(saves, 1);

  main->AddTargetBtnClick();  // differs only in case: refused without a word
  EXPECT_EQ(main->TargetCmb.items.size(), 1u);
  EXPECT_EQ(saves, 1);
  EXPECT_EQ(dialogs.shown.size(), 2u);

  main->AddTargetBtnClick();
  EXPECT_EQ(ReadFile(TargetFile()), "C:\\PMap\\PMap Underlays\\\r\nD:\\Share\\\r\n");
  EXPECT_EQ(main->TargetCmb.text, "D:\\Share\\");
  EXPECT_EQ(Count("error"), 0u);
}

TEST_F(MainHost, AddWithoutPMapServerReportsItMissing) {
  main->Shape1.brushColour = clLime;
  main->AddTargetBtnClick();  // cancelled: the check runs all the same
  EXPECT_EQ(Count("browse"), 1u);
  ASSERT_EQ(Count("error"), 1u);
  EXPECT_EQ(dialogs.shown.back().text,
            "Cannot find PMapServer!\r\rUiView32 2.0.3 and PMapServer6 or later must be installed!\r"
            "Press add btn and select local PMapServer directory.");
  EXPECT_EQ(main->Sbar.panels.at(0),
            "Cannot find PMapServer directory! Press Target directories, add btn and select local PMapServer dir");
  EXPECT_EQ(main->Sbar.panels.at(1), "ERROR");
  EXPECT_EQ(main->Shape1.brushColour, 255u);
  EXPECT_EQ(main->StateLbl.caption, "Processing suspended, cannot find local PMapServer directory!");
  EXPECT_NE(LogText().find("Cannot find PMapServer"), std::string::npos);

  // Once PMapServer is installed, the refresh inside Add finds it.
  dialogs.shown.clear();
  host.InstallPMap("PMAPSERVER7", {.underlay = "radar.bmp"});
  main->AddTargetBtnClick();
  EXPECT_EQ(Count("error"), 0u);
  EXPECT_EQ(Host.PMapUnderlayPath, host.UnderlaysOf("PMAPSERVER7"));
}

TEST_F(MainHost, AddThatCannotWriteShowsTheErrorAndEnds) {
  TMain broken(Bare(host.registry), appDir / "missing/");
  dialogs.browseAnswers = {std::string("C:\\T\\")};
  broken.AddTargetBtnClick();
  ASSERT_EQ(Count("message"), 1u);
  EXPECT_NE(dialogs.shown.back().text.find("TargetDirList.txt"), std::string::npos);
  EXPECT_EQ(Count("error"), 0u);  // the command ended before the PMapServer check
}

TEST_F(MainHost, DeleteTrimsAsksAndLeavesAnEmptyFile) {
  host.InstallPMap("PMAPSERVER7", {.underlay = "radar.bmp"});
  main->TargetCmb.items = {"C:\\X\\"};
  main->TargetCmb.text = "  C:\\X\\  ";
  dialogs.confirmAnswers = {false, true};
  main->TargetDelBtnClick();  // No
  EXPECT_EQ(dialogs.shown.at(0).text, "Delete directory C:\\X\\?");
  EXPECT_EQ(main->TargetCmb.items.size(), 1u);
  EXPECT_FALSE(FileExists(TargetFile()));

  main->TargetDelBtnClick();  // Yes
  EXPECT_TRUE(main->TargetCmb.items.empty());
  EXPECT_EQ(main->TargetCmb.text, "");
  EXPECT_TRUE(FileExists(TargetFile()));
  EXPECT_EQ(ReadFile(TargetFile()), "");
  EXPECT_EQ(saves, 1);
  EXPECT_EQ(Count("error"), 0u);

  // Not an entry: no question; the PMapServer check still runs.
  Host = {};
  FakeHost empty;
  TMain bare(Bare(empty.registry), appDir.Path());
  bare.TargetCmb.text = "C:\\Y\\";
  dialogs.shown.clear();
  bare.TargetDelBtnClick();
  EXPECT_EQ(Count("confirm"), 0u);
  EXPECT_EQ(Count("error"), 1u);
  EXPECT_EQ(bare.StateLbl.caption, "Processing suspended, cannot find local PMapServer directory!");
}

TEST_F(MainHost, RedrawUncheckedNeverCallsUiView) {
  link.connectFails = true;
  main->FormCreate();
  EXPECT_FALSE(main->UiViewConnected);
  EXPECT_FALSE(main->RedrawBtn.enabled);
  main->RedrawChk.checked = false;
  main->RedrawBtnClick();
  EXPECT_EQ(main->Sbar.panels.at(0), "Redrawing disabled, cannot redraw map");
  EXPECT_EQ(link.redraws, 0);
  EXPECT_EQ(link.connects, 1);  // only the one at window creation
  EXPECT_EQ(beeps, 0);
}

TEST_F(MainHost, RedrawWhenNotConnectedDisablesRedrawOnce) {
  link.connectFails = true;
  main->FormCreate();
  main->RedrawChk.checked = true;
  main->RedrawBtnClick();
  const std::string text = "Not connected to UIView, cannot redraw map, disabling redraw capability.";
  EXPECT_EQ(main->FileLbl.caption, text);
  EXPECT_EQ(main->Sbar.panels.at(0), text);
  EXPECT_EQ(main->RidgeLbl.caption,
            "Shut down this application, and restart to establish connection to a running session of UiView");
  EXPECT_FALSE(main->RedrawChk.checked);
  EXPECT_EQ(beeps, 1);
  EXPECT_NE(LogText().find(text), std::string::npos);
  EXPECT_EQ(link.connects, 1);  // no retry: the user restarts to connect

  main->FileLbl.caption = "....";
  main->RedrawBtnClick();
  EXPECT_EQ(main->Sbar.panels.at(0), "Redrawing disabled, cannot redraw map");
  EXPECT_EQ(main->FileLbl.caption, "....");
  EXPECT_EQ(beeps, 1);
}

TEST_F(MainHost, RedrawWhenConnected) {
  main->FormCreate();
  EXPECT_TRUE(main->UiViewConnected);
  EXPECT_TRUE(main->RedrawBtn.enabled);
  main->RedrawChk.checked = true;
  main->RedrawBtnClick();
  EXPECT_EQ(link.redraws, 1);
  EXPECT_EQ(main->Sbar.panels.at(0), "Redrawing map");

  link.callsFail = true;  // UI-View32 went away
  main->RedrawBtnClick();
  EXPECT_EQ(main->FileLbl.caption, "Error attempting to redraw UiView");
  EXPECT_EQ(main->RidgeLbl.caption,
            "Shut down this application, and restart to establish connection to a running session of UiView");
  EXPECT_TRUE(main->RedrawChk.checked);
  EXPECT_EQ(beeps, 0);
}

TEST_F(MainHost, UiViewClosingDisablesRedrawAndEndsOnlyWhenAsked) {
  main->FormCreate();
  main->ShutDownwhenUiViewterminates1.checked = false;
  link.RaiseClosing();
  EXPECT_FALSE(main->RedrawBtn.enabled);
  EXPECT_EQ(closes, 0);
  EXPECT_TRUE(main->UiViewConnected);  // the connection is kept as it was
  link.callsFail = true;
  main->RedrawChk.checked = true;
  main->RedrawBtnClick();  // the conversions still redraw through the command
  EXPECT_EQ(main->FileLbl.caption, "Error attempting to redraw UiView");

  main->ShutDownwhenUiViewterminates1Click();
  EXPECT_TRUE(main->ShutDownwhenUiViewterminates1.checked);
  EXPECT_EQ(saves, 1);
  link.RaiseClosing();
  EXPECT_EQ(closes, 1);

  main->FormDestroy();
  EXPECT_EQ(link.disconnects, 1);
  link.RaiseClosing();  // after destruction an event finds no handler
  EXPECT_EQ(closes, 1);
}

}  // namespace

namespace {

// Without a stand-in the commands write the settings file itself.
TEST(MainHostSettings, AddAndShutdownToggleSaveTheSettingsFile) {
  FakeClock clock;
  FakeEventLoop loop(clock);
  FakeHost host;
  host.InstallPMap("PMAPSERVER7", {.underlay = "radar.bmp"});
  FakeDialogs dialogs;
  dialogs.browseAnswers = {std::string("C:\\Share\\PMap Underlays")};
  TempDir appDir;
  Platform p;
  p.loop = &loop;
  p.registry = &host.registry;
  p.dialogs = &dialogs;
  Host = {};
  TMain main(p, appDir.Path());
  main.LoadSettings();
  main.AddTargetBtnClick();
  auto settings = FindFiles(appDir / "*2.ini");
  ASSERT_EQ(settings.size(), 1u);
  EXPECT_NE(ReadFile(appDir / settings[0].name).find("Target=C:\\Share\\PMap Underlays\\"), std::string::npos);
  bool before = main.ShutDownwhenUiViewterminates1.checked;
  main.ShutDownwhenUiViewterminates1Click();
  EXPECT_NE(ReadFile(appDir / settings[0].name).find(std::string("UiViewShutDown=") + (before ? "0" : "1")),
            std::string::npos);
  Host = {};
}

}  // namespace
