#include "ui/MainFrmAdapters.h"

#include "acquire/AcquisitionHost.h"
#include "acquire/DownloadPass.h"
#include "acquire/FileFetcher.h"
#include "acquire/Scheduler.h"
#include "app/ErrorLog.h"
#include "app/ProcessState.h"
#include "util/Clock.h"

namespace ombrix {

TMain::TMain(Platform platform, std::string appDir) : platform_(std::move(platform)), appDir_(std::move(appDir)) {
  Form.caption = kProductName;

  ModeGrp.caption = "Select Mode";
  ModeGrp.items = {"Server", "Client"};
  ModeGrp.itemIndex = 0;
  Label3.caption = "Select \\PMapserverX\\PMap Underlays\\ Target Directories";
  TargetCmb.hint = "Copy radar images to these directories";
  AddTargetBtn = {"Add", "Add \\PMapServerX\\PMap Underlays\\ target directory to the list"};
  TargetDelBtn = {"Delete", "Delete an existing \\PMapServerX\\PMap Underlays\\ target directory"};
  UvULbl = {"....", clBlack, "Current UIView settings"};
  RedrawBtn = {"Redraw map", "Redraw UiView map now"};
  RedrawChk = {"Redraw", "Forces UiView to redraw map when new image is downloaded"};
  LoopLbl.caption = "....";

  SelectRadarLbl.caption = "Select Radar underlay image source";
  RadarCmb.sorted = true;
  RadarCmb.hint = "Select an Internet source for underlay radar images";
  Label2.caption = "Select Radar underlay product";
  ProductCmb.sorted = true;
  ProductCmb.hint = "Select a radar product to download from source";
  AccumChk = {"Accumulate radar image underlays", "Accumulate radar images to enable radar loops"};
  LegendChk = {"Include Radar legend", "Only available with NWS Doppler sites"};
  AddBtn = {"Add selected Radar and Product", "Add selected Radar/Product to Selected Radars / Products"};
  SelectedRadarGridLbl.caption = "Selected Radars / Product underlay image status";
  RadarGrid.hint = "Right click, or double click for options";
  HeapLbl.caption = "....";
  StatLbl.caption = "...";
  DeleteBtn = {"Delete", "Delete selected Radar/Product"};
  DownloadBtn = {"Download", "Download selected radar image"};
  TimeLbl.caption = "....";
  Shape1.brushColour = clLime;
  StateLbl.caption = "....";
  RidgeLbl.caption = "....";
  FileLbl.caption = "....";
  Sbar.panels = {"", ""};

  Minimizeonstartup1.caption = "&Minimize on startup";
  ShutDownwhenUiViewterminates1.caption = "Shut Down when UiView terminates";
  Logerrors1.caption = "Log errors";
  EXit1.caption = "E&Xit";

  Process = std::make_unique<Timer>(Loop(), 10000, true);
  MinTimer = std::make_unique<Timer>(Loop(), 60000, true, [this] { MinTimerTimer(); });
  RidgeTimer = std::make_unique<Timer>(Loop(), 4000, true);
  WldTimer = std::make_unique<Timer>(Loop(), 4000, true, [this] { WldTimerTimer(); });
  Timer1 = std::make_unique<Timer>(Loop(), 1000, true, [this] { Timer1Timer(); });

  InitSettingsState();
  InitAcquisition();
  InitGridCommands();
  InitRadarLoop();
}

TMain::~TMain() { DetachSettingsState(); }

void TMain::FormCreate() {
  Form.caption = kProductName;
  // Settings, then catalogues and the download list (app/Settings.cpp,
  // app/MainLifecycle.cpp).
  LoadSettings();
  LastMemoryLog = LocalNow();
  MemoryWarned = false;
  LoadCatalogues();
  RadarList.Clear();
  LoadDownloadList();
  RefreshGrid();
  LoadTargetDirList();
  UiViewConnected = ConnectUiView();
  Closing = false;
}

void TMain::FormShow() {
  if (firstShowDone) return;
  UpdateUiViewStatus();
  firstShowDone = true;
  ModeGrp.hint =
      "Server mode accesses Internet, can supply radar files to clients or to local UiView session.\r"
      "Client mode never accesses Internet, receives radar files from server, displays in local UiView session.\r"
      "Server and client must be on same Local Area Network.";
  // Without UI-View32 the program ends here; its window never appears.
  bool runsOn = SeedTargetList();
  LogError(AppDir() + " " + kProductName +
           (ClientMode() ? " initialized in client mode." : " initialized in server mode.") + MemoryReportText());
  if (runsOn && !Minimizeonstartup1.checked) Form.visible = true;
}

void TMain::FormActivate() {
  ProcessMessages();
  if (Minimizeonstartup1.checked) ApplicationMinimize();  // to the tray
  else Form.visible = true;
}

void TMain::AbortRidgeCliIfBusy() {
  if (RidgeCli && RidgeCli->State() != httpReady) RidgeCli->AbortRequest();
}

bool TMain::FormCloseQuery() {
  // A running pass holds the Process timer disabled. Every wait below lets
  // it see Closing and FetchTimedOut and give the timer back; after about 8
  // seconds the close takes the timer back itself.
  try {
    Closing = true;
    FetchTimedOut = true;
    ProcessMessages();
    AbortRidgeCliIfBusy();
    ProcessMessages();
    if (!Process->Enabled()) {
      Closing = true;
      FetchTimedOut = true;
      ProcessMessages();
      if (!Process->Enabled()) {
        AbortRidgeCliIfBusy();
        if (!Process->Enabled()) PumpDelay(Loop(), 4);
      }
      Closing = true;
      FetchTimedOut = true;
      if (!Process->Enabled()) AbortRidgeCliIfBusy();
      FetchTimedOut = true;
      ProcessMessages();
      if (!Process->Enabled()) PumpDelay(Loop(), 4);
      FetchTimedOut = true;
      ProcessMessages();
      if (!Process->Enabled()) Process->SetEnabled(true);
    }
  } catch (...) {
    Beep();
  }
  return Process->Enabled();
}

void TMain::FormClose() {
  // A failure skips the steps after it and beeps; the window closes anyway.
  try {
    if (!Process->Enabled()) {
      // The pass still holds the scheduler: one more second to see Closing.
      Closing = true;
      Timer1->SetEnabled(false);
      ProcessMessages();
      Process->SetEnabled(true);
      PumpDelay(Loop(), 1);
    }
    RadarList.Clear();  // the list file is already current: every change saved it
    SaveSettings();
    LogError(std::string(kProductName) +
             (ClientMode() ? " Shut down while in client mode. " : " Shut down while in server mode. ") +
             MemoryReportText());
    WorkPicture.Empty();
    WorkBitmap = TBitmap8();
    TextBitmap = TBitmap8();
    WorkGif1.Empty();
    WorkGif2.Empty();
  } catch (...) {
    Beep();
  }
}

void TMain::FormDestroy() { DisconnectUiView(); }

}  // namespace ombrix
