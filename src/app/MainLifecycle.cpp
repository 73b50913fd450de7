// The parts of TMain's creation and close that set up the log, the
// catalogues and the download list.
#include "app/ErrorLog.h"
#include "app/Settings.h"
#include "host/Discovery.h"
#include "records/Catalogues.h"
#include "records/DownloadList.h"
#include "ui/MainFrm.h"
#include "util/FileUtil.h"

namespace ombrix {

void TMain::InitSettingsState() {
  SettingsFile = SettingsFileName(appDir_, ExecutableName());
  ProductCmb.items = BuiltInProducts();
  RadarCmb.items = BuiltInRadars();
  if (platform_.memory) memoryScope_ = std::make_unique<ScopedMemoryStatus>(*platform_.memory);
  ErrorLogConfig& log = TheErrorLogConfig();
  log.folder = appDir_;
  log.isEnabled = [this] { return Logerrors1.checked; };
  log.isClientMode = [this] { return ClientMode(); };
  log.underlayPath = [] { return Host.PMapUnderlayPath; };
}

void TMain::DetachSettingsState() {
  ErrorLogConfig& log = TheErrorLogConfig();
  log.isEnabled = nullptr;
  log.isClientMode = nullptr;
  log.underlayPath = nullptr;
  memoryScope_.reset();
}

void TMain::LoadCatalogues() {
  if (LoadCatalogueFile(appDir_ + kProductsFileName, ProductCmb.items) && ProductCmb.sorted) SortItems(ProductCmb.items);
  if (LoadCatalogueFile(appDir_ + kRadarsFileName, RadarCmb.items) && RadarCmb.sorted) SortItems(RadarCmb.items);
}

void TMain::LoadDownloadList() { LoadDownloadListFile(appDir_ + kDownloadListName, RadarList, Servers); }

void TMain::SaveDownloadList() { SaveDownloadListFile(appDir_ + "DownLoadList.Txt", RadarList); }

}  // namespace ombrix
