// convert: one underlay conversion on real files, as a pass would run it,
// with the window's choices given as options.
#include <cstdio>
#include <string>
#include <vector>

#include "Command.h"
#include "acquire/ServerFilePickup.h"
#include "imaging/UnderlayConverter.h"
#include "records/RadarObj.h"
#include "util/Clock.h"
#include "util/FileUtil.h"
#include "util/StrUtil.h"

namespace ombrix::tool {
namespace {

// The redraw a pass would ask UI-View32 for, shown on stdout.
struct ToolWindow : PlainConversionWindow {
  void RedrawMap() override { std::printf("Redraw map\n"); }
};

int Convert(const Args& args) {
  ToolWindow o;
  bool accumulate = false;
  std::vector<std::string> plain;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= args.size()) throw UsageError{a + " needs a value"};
      return args[++i];
    };
    if (a == "--target") o.targets.push_back(value());
    else if (a == "--local") o.pmap = value();
    else if (a == "--underlay") o.underlay = value();
    else if (a == "--client") o.client = true;
    else if (a == "--accumulate") accumulate = true;
    else if (a == "--legend") o.legend = true;
    else if (a.rfind("--", 0) == 0) throw UsageError{"unknown option " + a};
    else plain.push_back(a);
  }
  RequireArgs(plain, 3, 3);
  o.appDir = IncludeTrailingDelimiter(plain[0]);

  TRadarObj record;
  record.InitFromSelection(plain[1], plain[2], ServerSettings::Defaults());
  record.Accumulate = accumulate;
  // The mesonet composites are PNG images with ".wld" world files.
  const SourceFileNames names = SourceFilesOf(record);
  const bool png = EndsWithText(names.image, ".png");
  record.LoadWorldFile(o.appDir + names.world);
  // The image's time is its file's, as a client takes it from dropped files.
  if (TDateTime written = FileLastWrite(o.appDir + names.image))
    record.LastImage = written - TheClock().ZoneOffsetDays();

  TGifImage gif1, gif2;
  TPicture picture;
  TBitmap8 workBitmap = NewWorkBitmap(), textBitmap = NewTextBitmap();
  UnderlayConverter converter(o, {gif1, gif2, picture, workBitmap, textBitmap});
  const std::string path = o.appDir + record.BmpFile;
  const bool ok = png ? converter.ConvertPngUnderlay(path, record) : converter.ConvertGifUnderlay(path, record);
  std::printf("FileLbl\t%s\n", o.file.c_str());
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
