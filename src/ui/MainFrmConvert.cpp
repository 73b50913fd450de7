// TMain's underlay conversions: the converter of imaging/ over the window's
// components.
#include "app/ProcessState.h"
#include "host/Discovery.h"
#include "imaging/UnderlayConverter.h"
#include "ui/MainFrm.h"

namespace ombrix {

namespace {

class MainConversionWindow : public ConversionWindow {
 public:
  explicit MainConversionWindow(TMain& main) : m_(main) {}

  std::string FileText() const override { return m_.FileLbl.caption; }
  void SetFileText(const std::string& text) override { m_.FileLbl.caption = text; }
  void SetPanel(int index, const std::string& text) override {
    auto& panels = m_.Sbar.panels;
    if (panels.size() <= static_cast<size_t>(index)) panels.resize(static_cast<size_t>(index) + 1);
    panels[static_cast<size_t>(index)] = text;
  }
  bool ClientMode() const override { return m_.ClientMode(); }
  bool LegendChecked() const override { return m_.LegendChk.checked; }
  bool RedrawWanted() const override { return m_.RedrawChk.enabled && m_.RedrawChk.checked; }
  std::string AppDir() const override { return m_.AppDir(); }
  std::vector<std::string> Targets() const override { return m_.TargetCmb.items; }
  std::string PMapUnderlayPath() const override { return Host.PMapUnderlayPath; }
  std::string UnderlayName() const override { return Host.UnderlayName; }
  void RedrawMap() override { m_.RedrawBtnClick(); }
  void ProcessMessages() override { m_.ProcessMessages(); }
  bool Closing() const override { return ombrix::Closing; }
  void Beep() override { m_.Beep(); }

 private:
  TMain& m_;
};

UnderlayConverter ConverterOf(TMain& m, ConversionWindow& window) {
  return UnderlayConverter(window, {m.WorkGif1, m.WorkGif2, m.WorkPicture, m.WorkBitmap, m.TextBitmap});
}

}  // namespace

bool TMain::ConvertGifUnderlay(const std::string& path, TRadarObj& record) {
  MainConversionWindow window(*this);
  return ConverterOf(*this, window).ConvertGifUnderlay(path, record);
}

bool TMain::ConvertPngUnderlay(const std::string& path, TRadarObj& record) {
  MainConversionWindow window(*this);
  return ConverterOf(*this, window).ConvertPngUnderlay(path, record);
}

}  // namespace ombrix
