#include "ui/RecordCommands.h"

#include <memory>

#include "records/Catalogues.h"
#include "ui/Dialogs.h"
#include "util/StrUtil.h"

namespace ombrix {

void RecordCommands::Error(const std::string& text) {
  if (Dialogs* d = w_.UserDialogs()) d->ShowError(text);
}

bool RecordCommands::Confirm(const std::string& text) {
  Dialogs* d = w_.UserDialogs();
  return d && d->Confirm(text);
}

TRadarObj* RecordCommands::Selected() {
  const int row = w_.Grid().row;
  if (row < 1 || row > w_.Records().Count()) {
    Error(kNotSelected);
    return nullptr;
  }
  return &w_.Records().Objects(row - 1);
}

void RecordCommands::Add() {
  const std::string radar = Trim(w_.RadarText());
  if (radar.empty()) return Error("Radar not selected!");
  std::string product = Trim(w_.ProductText());
  // A composite ("!!") names its own image; it has no product.
  if (StartsWith(radar, "!!")) product.clear();
  else if (product.empty()) return Error("Product not selected!");
  const std::string shown = product.empty() ? radar : radar + "/" + product;
  if (!Confirm("Add " + shown + " to download list?")) return;
  product = ProductRecordForm(product);
  const std::string key = RecordKey(radar, product);
  if (w_.Records().IndexOf(key) >= 0) return Error("Record already in list, aborting....");
  TRadarObj* record = w_.Records().Add(key, std::make_unique<TRadarObj>());
  record->InitFromSelection(radar, product, w_.Servers());
  record->Accumulate = w_.AccumulateNewRecords();
  // The list first: a settings file that cannot be written must not keep
  // the new record out of the list file.
  w_.SaveDownloadList();
  w_.RefreshGrid();
  w_.SaveSettings();
}

void RecordCommands::Delete() {
  TRadarList& list = w_.Records();
  if (list.Empty()) return;
  StringGrid& grid = w_.Grid();
  const int row = grid.row;
  if (row < 1 || row >= grid.rowCount) return Error(kNotSelected);
  if (!Confirm("Delete " + grid.Cell(0, row) + "," + grid.Cell(1, row) + "?")) return;
  if (row > list.Count()) return;  // the blank row of an empty list
  list.Delete(row - 1);
  // An emptied list is written too, so the record stays deleted.
  w_.SaveDownloadList();
  w_.RefreshGrid();
  w_.SaveSettings();
}

void RecordCommands::PopupOpening(RadarPopupMenu& menu) {
  const int row = w_.Grid().row;
  if (row < 1) return Error(kNotSelected);
  if (w_.Records().Empty()) return Error("Radar grid has no records, aborting!");
  if (row > w_.Records().Count()) return Error(kNotSelected);
  const TRadarObj& r = w_.Records().Objects(row - 1);
  menu.ViewUnderlay1.caption = "&View Underlay " + r.BmpFile.substr(0, r.BmpFile.find('.'));
  ViewUnderlayPath = w_.UnderlayFolder() + r.BmpFile;
  menu.Browseto1.caption = "&Browse to " + r.BaseName;
  BrowseUrl = r.ImageUrl;
  menu.Accumulateimages1.caption = r.Accumulate ? "Do not accumulate images" : "Accumulate images";
  if (w_.ClientMode()) menu.Disabledownload1.caption = r.Enabled ? "Disable processing" : "Enable processing";
  else menu.Disabledownload1.caption = r.Enabled ? "Disable downloads" : "Enable downloads";
}

void RecordCommands::ToggleAccumulate(MenuItem& item) {
  TRadarObj* r = Selected();
  if (!r) return;
  r->Accumulate = !r->Accumulate;
  item.checked = r->Accumulate;
  w_.SaveDownloadList();
  w_.RefreshGrid();
  w_.SaveSettings();
}

void RecordCommands::ToggleEnabled() {
  TRadarObj* r = Selected();
  if (!r) return;
  r->Enabled = !r->Enabled;
  w_.SaveDownloadList();
  w_.RefreshGrid();
  w_.SaveSettings();
}

void RecordCommands::BrowseTo() { w_.OpenWithShell(BrowseUrl); }

void RecordCommands::ViewUnderlay() { w_.OpenWithShell(ViewUnderlayPath); }

}  // namespace ombrix
