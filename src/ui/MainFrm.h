// TMain: the main window as component state plus its handlers. It is the
// composition root: it owns the components, the timers, the download list,
// the HTTP clients and the imaging work objects, and calls the subsystems.
// The Win32 shell (ui/win32) renders the components and routes real events
// to the handlers; tests drive the handlers directly.
#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/MemoryStatus.h"
#include "app/Product.h"
#include "app/ServerSettings.h"
#include "imaging/RadarLoop.h"
#include "imaging/WorkObjects.h"
#include "records/RadarList.h"
#include "net/HttpClient.h"
#include "ui/About.h"
#include "ui/Components.h"
#include "ui/RadarGridRows.h"
#include "ui/RecordCommands.h"
#include "util/EventLoop.h"
#include "util/ProfileFile.h"

namespace ombrix {

class AcquisitionHost;
class DownloadPass;
class FileFetcher;
class Registry;
class Scheduler;
class ShellCommands;
class Dialogs;
class UiViewLink;

// The platform seams the window logic reaches the outside world through.
// Each is optional in tests; the shell fills in the real ones.
struct Platform {
  EventLoop* loop = nullptr;
  std::function<void()> beep{};  // MessageBeep
  // Host integration: where UI-View32 and PMapServer are, the dialogs the
  // target list asks through, the automation link, and the window's own
  // close request (UI-View32 closing, missing UI-View32 at first display).
  Registry* registry = nullptr;
  Dialogs* dialogs = nullptr;
  UiViewLink* uiView = nullptr;
  std::function<void()> closeMainWindow{};
  std::function<void()> saveSettings{};  // replaces SaveSettings (tests of other handlers)
  // Memory figures for the log and the status line (nullptr: the system's).
  MemoryStatus* memory = nullptr;
  // Opens the settings file (unset: the platform's profile functions).
  std::function<std::unique_ptr<ProfileFile>(const std::string& path)> openProfile{};
  ShellCommands* shell = nullptr;  // web sites, help file, About box
};

class TMain {
 public:
  static constexpr const char* kProductName = ombrix::kProductName;

  TMain(Platform platform, std::string appDir);
  ~TMain();
  TMain(const TMain&) = delete;
  TMain& operator=(const TMain&) = delete;

  // --- Window events (program start and end) ---
  void FormCreate();
  void FormShow();
  void FormActivate();
  bool FormCloseQuery();
  void FormClose();
  void FormDestroy();

  EventLoop& Loop() { return *platform_.loop; }
  const std::string& AppDir() const { return appDir_; }
  void ProcessMessages() { Loop().ProcessMessages(); }
  void Beep() {
    if (platform_.beep) platform_.beep();
  }

  // --- Components: the window ---
  FormState Form;                 // caption, position, size
  // Upper panel
  RadioGroup ModeGrp;
  Label Label3;
  ComboBox TargetCmb;
  Button AddTargetBtn, TargetDelBtn;
  Label UvULbl;
  Button RedrawBtn;
  CheckBox RedrawChk;
  Label LoopLbl;
  // Lower panel
  Label SelectRadarLbl;
  ComboBox RadarCmb;
  Label Label2;
  ComboBox ProductCmb;
  CheckBox AccumChk, LegendChk;
  Button AddBtn;
  Label SelectedRadarGridLbl;
  StringGrid RadarGrid;
  Label HeapLbl, StatLbl;
  Button DeleteBtn, DownloadBtn;
  Label TimeLbl;
  Shape Shape1;
  Label StateLbl, RidgeLbl, FileLbl;
  StatusBar Sbar;
  // Menus
  MenuItem Minimizeonstartup1, ShutDownwhenUiViewterminates1, Logerrors1, EXit1;
  // The tray menu TrayPopup, in menu order (ui/MainFrmTray.cpp)
  MenuItem LoopRadar1{"&Loop Radar", false, false};
  MenuItem RadarZoom1{"Radar Zoom"};
  MenuItem Restore1{"&Restore"};
  MenuItem EXit2{"E&Xit"};
  MenuItem Cancel1{"&Cancel"};

  // --- Main menu and window commands routed by the Win32 shell
  // (ui/win32/MainWindow.cpp). Handlers nobody has written yet have empty
  // bodies in ui/MainFrmShell.cpp under "Handlers still to write"; whoever
  // writes one moves it out of that block into its own file. ---
  MenuItem About1{"&About"};
  MenuItem Websites1{"&Web sites"};
  MenuItem OmbrixWebsite1{"&Ombrix Web site"};
  MenuItem UiViewinfo1{"&UiView info && downloads"};
  MenuItem YahooUiViewgroup1{"&Yahoo UiView group"};
  MenuItem NWSRidge1{"NWS &Ridge Web site"};
  MenuItem NWSRidgeData1{"NWS Ridge Data"};
  MenuItem RidgeNationaSectionalData1{"Ridge Nationa/Sectional Data"};
  MenuItem TAMU1{"&Texas A&&M Mesonet Web site"};
  MenuItem TexasAMData1{"Texas A&&M / USRad Data"};
  MenuItem Iowa1{"&Iowa State University Mesonet"};
  MenuItem IowaStateData1{"Iowa State / ConUS Data"};
  MenuItem Help2{"&Help"};

  void Close();  // closes the main window through its close steps
  // Help menu and About box (ui/MainFrmMenus.cpp)
  TAboutBox AboutBox;
  void OpenWebSite(const std::string& address);
  void About1Click();
  void Help2Click();  // also F1 anywhere in the window
  void OmbrixWebsite1Click();
  void UiViewinfo1Click();
  void YahooUiViewgroup1Click();
  void NWSRidge1Click();
  void TAMU1Click();
  void Iowa1Click();
  void NWSRidgeData1Click();  // the data folders of the settings' [URL] section
  void RidgeNationaSectionalData1Click();
  void TexasAMData1Click();
  void IowaStateData1Click();
  void EXit1Click() { Close(); }
  enum class MouseButton { Left, Right, Middle };
  // Check boxes whose state the shell sets (ui/MainFrmShell.cpp):
  void RedrawChkClick();
  void AccumChkClick();
  void LegendChkClick();
  void AbortRidgeCliIfBusy();  // the close request stops a running fetch (ui/MainFrm.cpp)
  // A handler let an error out: the user sees its text (the settings
  // file's "Unable to write to ..." among others), and the program runs on.
  void ShowHandlerError(const std::string& text);
  // --- end of the shell's block ---

  // --- Timers ---
  std::unique_ptr<Timer> Process, MinTimer, RidgeTimer, WldTimer, Timer1;

  // --- Imaging work objects: a conversion fills and empties them within one
  // call; they are empty between conversions. ---
  TGifImage WorkGif1, WorkGif2;              // radar image, legend
  TPicture WorkPicture;                      // the composite PNG
  TBitmap8 WorkBitmap = NewWorkBitmap();     // transparent black, white brush
  TBitmap8 TextBitmap = NewTextBitmap();     // Arial 10 black, white brush
  // --- HTTP transport, the fetch, the scheduler tick, the download pass and
  // the pick-up step (ui/MainFrmAcquire.cpp wires the classes of acquire/) ---
  // RidgeCli carries every download; WldCli is configured alike and idle.
  std::unique_ptr<THttpClient> RidgeCli, WldCli;
  // Fetches url into localPath over RidgeCli with the settings' proxy; the
  // verdict goes to FetchOK, an HTTP error to recordStatus (the record's Status).
  void FetchFile(const std::string& url, const std::string& localPath, std::string& recordStatus);
  void ProcessTimer();
  void DownloadAndProcess();
  void DownloadBtnClick();
  void Downloadcurrentrecord1Click();

  // --- Conversions (ui/MainFrmConvert.cpp wires the converter of imaging/) ---
  bool ConvertGifUnderlay(const std::string& path, TRadarObj& record);
  bool ConvertPngUnderlay(const std::string& path, TRadarObj& record);

  // --- Grid of download records and its pop-up menu RadarPopup
  // (ui/MainFrmGrid.cpp; the commands are RecordCommands) ---
  RadarPopupMenu RadarPopup;
  struct Point {
    int x = 0, y = 0;
  };
  Point GridMouseDownAt;                  // grid coordinates of the last mouse-down
  std::optional<Point> RadarPopupWanted;  // the shell opens RadarPopup there (grid coordinates)
  void RefreshGrid();
  void AddBtnClick();
  void DeleteBtnClick();
  void RadarGridMouseDown(MouseButton button, int x, int y);  // grid client coordinates
  void RadarGridDblClick();
  void RadarPopupPopup();
  void Accumulateimages1Click();
  void Disabledownload1Click();
  void DeleteRecord1Click() { DeleteBtnClick(); }
  void Browseto1Click();
  void ViewUnderlay1Click();
  void Cancel2Click() {}
  // The hint box over the grid. The shell gives the cell under the mouse
  // (row -1 above or outside the rows) and measures texts in the grid's
  // font; it repaints the grid first when asked, then draws the box.
  struct GridMouseCell {
    int col = -1, row = -1;
    int left = 0, right = 0, top = 0;  // cell rectangle in grid coordinates
  };
  struct GridHintAction {
    bool repaint = false;
    std::optional<GridHint> draw;
  };
  bool HintBoxShown = false;
  GridHintAction RadarGridMouseMove(const GridMouseCell& cell, const std::function<int(const std::string&)>& measure);
  bool RidgePnlMouseMove();  // true: repaint the grid (the box goes)
  const std::string& BrowseUrl() const { return records_->BrowseUrl; }
  const std::string& ViewUnderlayPath() const { return records_->ViewUnderlayPath; }

  // --- Tray icon and its menu (ui/MainFrmTray.cpp) ---
  bool TrayIconShown = true;  // from window creation to destruction, or tray Exit
  void TrayIconDblClick();    // brings the window and its taskbar button back
  void TrayPopupPopup();
  void Restore1Click();
  void EXit2Click();
  void Cancel1Click() {}
  void ApplicationMinimize();  // the window was minimised (Form.minimized is set)

  // --- Radar loop and zoom (ui/MainFrmLoop.cpp wires imaging/RadarLoop) ---
  void Timer1Timer();
  void LoopRadar1Click();
  void RadarZoom1Click();
  bool LoopRequested() const;
  void WldTimerTimer();

  // --- Process-wide values held by the window ---
  bool firstShowDone = false;
  std::string TrayCaption;

  // --- Host integration (ui/MainFrmHost.cpp): discovery status, target
  // folders, the UI-View32 link ---
  bool UiViewConnected = false;
  std::string TrayTip = kProductName;  // the tray icon's tooltip, at most 63 characters
  void SetTrayTip(const std::string& text);
  void UpdateUiViewStatus();
  void MinTimerTimer();
  void LoadTargetDirList();  // window creation
  bool SeedTargetList();     // first display; false when the program must end
  void AddTargetBtnClick();
  void TargetDelBtnClick();
  void ReportPMapServerMissing();
  bool ConnectUiView();
  void RedrawBtnClick();
  void clsUIV1UIView32IsClosing();
  void ShutDownwhenUiViewterminates1Click();
  void DisconnectUiView();  // destruction

 private:
  void SaveHostSettings();

 public:
  // --- Settings file, error log, download list and catalogues ---
  // (app/Settings.cpp, app/MainLifecycle.cpp). The components above are the
  // settings; these hold the values that have no control of their own.
  ServerSettings Servers;           // [URL]: server addresses and the proxy
  std::string SettingsFile;         // AppDir + executable base name + "2.ini"
  int HintHidePause = 6000;         // ms a hint stays shown, application-wide
  TRadarList RadarList;             // the download records, owned here
  bool SettingsLoaded = false;      // LoadSettings has filled the components

  void LoadSettings();
  // Builds the whole file and replaces the old one in one step; throws
  // SettingsWriteError ("Unable to write to <file>") when it cannot be
  // written, the old file left whole. Before LoadSettings it writes nothing.
  void SaveSettings();
  void SwitchMode();
  void ModeGrpClick() { SwitchMode(); }
  void Logerrors1Click();  // File menu "Log errors"
  void Minimizeonstartup1Click();  // File menu; a failed save is ignored
  bool ClientMode() const { return ModeGrp.itemIndex == 1; }
  void LoadCatalogues();      // "Products.txt" and "Radars.txt" replace the built-in items
  void LoadDownloadList();    // AppDir + "DownLoadList.txt" into RadarList
  void SaveDownloadList();    // RadarList into the file; failures are not reported

 private:
  std::unique_ptr<ProfileFile> OpenSettingsFile();
  void InitSettingsState();   // built-in selector items, log hooks
  void DetachSettingsState();

  void InitAcquisition();  // called by the constructor

  Platform platform_;
  std::string appDir_;
  std::unique_ptr<ScopedMemoryStatus> memoryScope_;
  // The acquisition's classes and TMain's side of their interface.
  friend class MainAcquisitionHost;
  std::unique_ptr<AcquisitionHost> acquisitionHost_;
  std::unique_ptr<FileFetcher> fetcher_;
  std::unique_ptr<DownloadPass> pass_;
  std::unique_ptr<Scheduler> scheduler_;
  class GridWindow;
  class LoopHost;
  std::unique_ptr<GridWindow> gridWindow_;
  std::unique_ptr<RecordCommands> records_;
  std::unique_ptr<LoopHost> loopHost_;
  std::unique_ptr<RadarLoop> radarLoop_;
  void InitGridCommands();  // called by the constructor
  void InitRadarLoop();     // likewise
};

}  // namespace ombrix
