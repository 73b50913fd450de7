// convert: one underlay conversion on real files, as a pass would run it,
// with the window's choices given as options.
#include <cstdio>
#include <string>
#include <vector>

#include "Command.h"
#include "imaging/UnderlayConverter.h"
#include "records/RadarObj.h"
#include "util/Clock.h"
#include "util/FileUtil.h"
#include "util/StrUtil.h"

namespace ombrix::tool {
namespace {

struct ConvertOptions : ConversionWindow {
  std::string source, fileText, local, underlay;
  std::vector<std::string> targets;
  bool client = false, legend = false, accumulate = false;
  int beeps = 0;

  std::string FileText() const override { return fileText; }
  void SetFileText(const std::string& text) override { fileText = text; }
  void SetPanel(int, const std::string&) override {}
  bool ClientMode() const override { return client; }
  bool LegendChecked() const override { return legend; }
  bool RedrawWanted() const override { return true; }
  std::string AppDir() const override { return source; }
  std::vector<std::string> Targets() const override { return targets; }
  std::string PMapUnderlayPath() const override { return local; }
  std::string UnderlayName() const override { return underlay; }
  void RedrawMap() override { std::printf("Redraw map\n"); }
  void ProcessMessages() override {}
  bool Closing() const override { return false; }
  void Beep() override { ++beeps; }
};

int Convert(const Args& args) {
  ConvertOptions o;
  std::vector<std::string> plain;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= args.size()) throw UsageError{a + " needs a value"};
      return args[++i];
    };
    if (a == "--target") o.targets.push_back(value());
    else if (a == "--local") o.local = value();
    else if (a == "--underlay") o.underlay = value();
    else if (a == "--client") o.client = true;
    else if (a == "--accumulate") o.accumulate = true;
    else if (a == "--legend") o.legend = true;
    else if (a.rfind("--", 0) == 0) throw UsageError{"unknown option " + a};
    else plain.push_back(a);
  }
  RequireArgs(plain, 3, 3);
  o.source = IncludeTrailingDelimiter(plain[0]);

  TRadarObj record;
  record.InitFromSelection(plain[1], plain[2], ServerSettings::Defaults());
  record.Accumulate = o.accumulate;
  // The mesonet composites are PNG images with ".wld" world files.
  const std::string base = UpperCase(record.BaseName);
  const bool png = base == "N0R_0" || base.find("01_USRAD") != std::string::npos;
  record.LoadWorldFile(o.source + record.BaseName + (png ? ".wld" : ".gfw"));
  // The image's time is its file's, as a client takes it from dropped files.
  if (TDateTime written = FileLastWrite(o.source + record.BaseName + (png ? ".png" : ".gif")))
    record.LastImage = written - TheClock().ZoneOffsetDays();

  TGifImage gif1, gif2;
  TPicture picture;
  TBitmap8 workBitmap = NewWorkBitmap(), textBitmap = NewTextBitmap();
  UnderlayConverter converter(o, {gif1, gif2, picture, workBitmap, textBitmap});
  const std::string path = o.source + record.BmpFile;
  const bool ok = png ? converter.ConvertPngUnderlay(path, record) : converter.ConvertGifUnderlay(path, record);
  std::printf("FileLbl\t%s\n", o.fileText.c_str());
  std::printf("Status\t%s\n", record.Status.c_str());
  std::printf("WorldText\t%s\n", record.WorldText.c_str());
  if (o.beeps > 0) std::printf("Beeps\t%d\n", o.beeps);
  std::printf("Result\t%s\n", ok ? "true" : "false");
  return ok ? 0 : 1;
}

}  // namespace

OMBRIX_COMMAND("convert",
               "SOURCE_FOLDER RADAR PRODUCT --target FOLDER [--target FOLDER ...] [--local FOLDER] [--client] "
               "[--accumulate] [--legend] [--underlay NAME]",
               "convert a record's GIF or PNG in SOURCE_FOLDER into underlays delivered to the targets", Convert);

}  // namespace ombrix::tool
