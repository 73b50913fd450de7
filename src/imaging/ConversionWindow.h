// What an underlay conversion reads and writes of the main window: the file
// line and the status bar it reports on, the choices it follows, the target
// folders and host names it delivers to, and the services it calls. TMain
// implements it over its components; tools and tests use plain values.
#pragma once
#include <string>
#include <vector>

namespace ombrix {

class ConversionWindow {
 public:
  virtual ~ConversionWindow() = default;

  // FileLbl and the two panels of Sbar (0 the long text, 1 the state word).
  virtual std::string FileText() const = 0;
  virtual void SetFileText(const std::string& text) = 0;
  virtual void SetPanel(int index, const std::string& text) = 0;

  virtual bool ClientMode() const = 0;
  virtual bool LegendChecked() const = 0;   // LegendChk
  virtual bool RedrawWanted() const = 0;    // RedrawChk enabled and ticked
  virtual std::string AppDir() const = 0;   // the source folder in Server mode
  virtual std::vector<std::string> Targets() const = 0;  // TargetCmb items
  virtual std::string PMapUnderlayPath() const = 0;
  virtual std::string UnderlayName() const = 0;

  virtual void RedrawMap() = 0;  // a click on RedrawBtn
  virtual void ProcessMessages() = 0;
  virtual bool Closing() const = 0;
  virtual void Beep() = 0;
};

// A window of plain values, for conversions run without one (ombrix-tool,
// benchmarks, tests): it never closes and counts redraws and beeps.
class PlainConversionWindow : public ConversionWindow {
 public:
  std::string file;      // FileLbl
  std::string appDir;    // the source folder in Server mode
  std::string pmap;      // PMapUnderlayPath
  std::string underlay;  // UnderlayName
  std::vector<std::string> targets;
  bool client = false, legend = false, redraw = true;
  int redraws = 0, beeps = 0;

  std::string FileText() const override { return file; }
  void SetFileText(const std::string& text) override { file = text; }
  void SetPanel(int, const std::string&) override {}
  bool ClientMode() const override { return client; }
  bool LegendChecked() const override { return legend; }
  bool RedrawWanted() const override { return redraw; }
  std::string AppDir() const override { return appDir; }
  std::vector<std::string> Targets() const override { return targets; }
  std::string PMapUnderlayPath() const override { return pmap; }
  std::string UnderlayName() const override { return underlay; }
  void RedrawMap() override { ++redraws; }
  void ProcessMessages() override {}
  bool Closing() const override { return false; }
  void Beep() override { ++beeps; }
};

}  // namespace ombrix
