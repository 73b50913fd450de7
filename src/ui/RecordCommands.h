// The grid's record commands: add, delete, the pop-up menu's captions and
// toggles, browse and view. They work on the window through RecordWindow,
// so they run without a real window in tests.
#pragma once
#include <string>

#include "app/ServerSettings.h"
#include "records/RadarList.h"
#include "ui/Components.h"

namespace ombrix {

class Dialogs;

// What the commands read and write of the main window.
class RecordWindow {
 public:
  virtual ~RecordWindow() = default;
  virtual TRadarList& Records() = 0;
  virtual StringGrid& Grid() = 0;
  virtual std::string RadarText() = 0;    // the radar selector's text
  virtual std::string ProductText() = 0;  // the product selector's text
  virtual bool AccumulateNewRecords() = 0;
  virtual bool ClientMode() = 0;
  virtual const ServerSettings& Servers() = 0;
  virtual std::string UnderlayFolder() = 0;  // the local PMap Underlays folder
  virtual Dialogs* UserDialogs() = 0;
  virtual void OpenWithShell(const std::string& target) = 0;
  // Every change writes the list and the settings at once.
  virtual void SaveDownloadList() = 0;
  virtual void SaveSettings() = 0;
  virtual void RefreshGrid() = 0;
};

// The pop-up menu of the grid, in menu order.
struct RadarPopupMenu {
  MenuItem Accumulateimages1{"&Accumulate images"};
  MenuItem Disabledownload1{"&Disable download"};
  MenuItem DeleteRecord1{"Delete &Record"};
  MenuItem Downloadcurrentrecord1{"Download current record"};
  MenuItem Browseto1{"&Browse to"};
  MenuItem ViewUnderlay1{"&View Underlay"};
  MenuItem Cancel2{"&Cancel"};
};

class RecordCommands {
 public:
  static constexpr const char* kNotSelected = "Radar record not selected, aborting!";

  explicit RecordCommands(RecordWindow& window) : w_(window) {}

  void Add();
  void Delete();
  // The menu is about to open: its captions follow the selected record.
  void PopupOpening(RadarPopupMenu& menu);
  void ToggleAccumulate(MenuItem& item);
  void ToggleEnabled();
  void BrowseTo();
  void ViewUnderlay();

  std::string BrowseUrl;         // prepared when the menu opens
  std::string ViewUnderlayPath;  // likewise

 private:
  // The selected record, or nullptr (and the error dialog) when no data row
  // is selected.
  TRadarObj* Selected();
  void Error(const std::string& text);
  bool Confirm(const std::string& text);
  RecordWindow& w_;
};

}  // namespace ombrix
