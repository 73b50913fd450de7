// What an underlay conversion reads and writes of the main window: the file
// line and the status bar it reports on, the choices it follows, the target
// folders and host names it delivers to, and the services it calls. TMain
// implements it over its components; tests use a plain fake.
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

}  // namespace ombrix
