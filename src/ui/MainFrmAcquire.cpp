// TMain's side of the acquisition: the host the fetch, the pass and the
// scheduler work through, and the handlers that delegate to them.
#include "acquire/AcquisitionHost.h"
#include "acquire/DownloadPass.h"
#include "acquire/FileFetcher.h"
#include "acquire/Scheduler.h"
#include "ui/Dialogs.h"
#include "ui/MainFrm.h"

namespace ombrix {

class MainAcquisitionHost : public AcquisitionHost {
 public:
  explicit MainAcquisitionHost(TMain& main) : m_(main) {}

  TRadarList& Records() override { return m_.RadarList; }
  const ServerSettings& Servers() override { return m_.Servers; }
  const std::string& AppDir() const override { return m_.AppDir(); }
  bool ClientMode() const override { return m_.ClientMode(); }
  bool LegendWanted() const override { return m_.LegendChk.checked; }
  void ProcessMessages() override { m_.ProcessMessages(); }
  void Beep() override { m_.Beep(); }
  void ShowError(const std::string& text) override {
    if (m_.platform_.dialogs) m_.platform_.dialogs->ShowError(text);
  }
  void FetchFile(const std::string& url, const std::string& localPath, std::string& recordStatus) override {
    m_.FetchFile(url, localPath, recordStatus);
  }
  bool FetchClientReady() override { return m_.fetcher_->ClientReady(); }
  void AbortFetch() override { m_.fetcher_->AbortIfBusy(); }
  bool ConvertGifUnderlay(const std::string& path, TRadarObj& record) override {
    return m_.ConvertGifUnderlay(path, record);
  }
  bool ConvertPngUnderlay(const std::string& path, TRadarObj& record) override {
    return m_.ConvertPngUnderlay(path, record);
  }
  void EmptyPngWorkObjects() override {
    if (!m_.WorkBitmap.IsEmpty()) m_.WorkBitmap.Empty();
    if (!m_.TextBitmap.IsEmpty()) m_.TextBitmap.Empty();
    if (m_.WorkPicture.Width() != 0) m_.WorkPicture.Empty();
  }
  void SaveDownloadList() override { m_.SaveDownloadList(); }
  void RefreshGrid() override { m_.RefreshGrid(); }
  void SetTrayTip(const std::string& text) override { m_.SetTrayTip(text); }
  std::string& TrayCaption() override { return m_.TrayCaption; }
  void UpdateUiViewStatus() override { m_.UpdateUiViewStatus(); }

 private:
  TMain& m_;
};

void TMain::InitAcquisition() {
  RidgeCli = std::make_unique<THttpClient>(Loop());
  WldCli = std::make_unique<THttpClient>(Loop());
  acquisitionHost_ = std::make_unique<MainAcquisitionHost>(*this);
  AcquireView view{StateLbl, HeapLbl,     RidgeLbl,  FileLbl,  StatLbl, Sbar,     Shape1,
                   Form,     DeleteBtn,   DownloadBtn, RadarGrid, *Process, *MinTimer};
  fetcher_ = std::make_unique<FileFetcher>(view, *acquisitionHost_, *RidgeCli, *RidgeTimer);
  pass_ = std::make_unique<DownloadPass>(view, *acquisitionHost_);
  scheduler_ = std::make_unique<Scheduler>(view, *acquisitionHost_, *pass_);
  Process->SetOnTimer([this] { ProcessTimer(); });
}

void TMain::FetchFile(const std::string& url, const std::string& localPath, std::string& recordStatus) {
  fetcher_->FetchFile(url, localPath, recordStatus);
}
void TMain::ProcessTimer() { scheduler_->ProcessTimer(); }
void TMain::DownloadAndProcess() { pass_->DownloadAndProcess(); }
void TMain::DownloadBtnClick() { scheduler_->DownloadBtnClick(); }
void TMain::Downloadcurrentrecord1Click() { scheduler_->Downloadcurrentrecord1Click(); }

}  // namespace ombrix
