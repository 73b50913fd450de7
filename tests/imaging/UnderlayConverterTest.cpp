// The two underlay conversions on real files in temporary folders, through
// the converter's window interface: the input gates, the delivery to local
// and LAN targets in both modes, the history, the redraw rule, the failure
// texts, and the pixels of the saved underlays.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <thread>

#include "app/ErrorLog.h"
#include "app/ProcessState.h"
#include "imaging/BmpFile.h"
#include "imaging/UnderlayConverter.h"
#include "support/GifEncoder.h"
#include "support/PngEncoder.h"
#include "support/RadarImages.h"
#include "support/TempDir.h"
#include "util/Clock.h"
#include "util/FileUtil.h"
#include "util/Locale.h"

namespace ombrix {
namespace {

class FakeWindow : public PlainConversionWindow {
 public:
  FakeWindow() { underlay = "lot_n0r_0.bmp"; }
  std::string panel1;
  std::vector<std::string> panel0;  // every text it showed
  int pumps = 0, closeAtPump = 0;   // Closing from that pump on (0: never)
  std::function<void()> onPump;

  void SetPanel(int i, const std::string& text) override { i == 0 ? panel0.push_back(text) : void(panel1 = text); }
  void ProcessMessages() override {
    ++pumps;
    if (onPump) onPump();
  }
  bool Closing() const override { return closeAtPump > 0 && pumps >= closeAtPump; }
};

// Bytes after the trailer are ignored by readers: pads a GIF to a size.
std::string Padded(std::string file, size_t size) {
  EXPECT_LE(file.size(), size);
  file.resize(size, '\0');
  return file;
}

// The composite the conversions of these tests make, built once.
const std::string& Composite() {
  static const std::string png = test::CompositePng(5000, 2000);
  return png;
}

// A small PNG grown to exactly `size` bytes with a text chunk.
std::string PngOfSize(uint32_t w, uint32_t h, size_t size) {
  test::PngRecipe r;
  r.width = w;
  r.height = h;
  r.palette = test::kCompositePalette;
  r.rawRows.assign(static_cast<size_t>(w) * h, '\3');
  const size_t bare = test::EncodePng(r).size();
  EXPECT_LE(bare + 12, size);
  r.extraChunks = test::PngChunk("tEXt", std::string("Comment\0", 8) + std::string(size - bare - 12 - 8, 'x'));
  return test::EncodePng(r);
}

class UnderlayConversion : public ::testing::Test {
 protected:
  FakeClock clock{45000.5};  // 15 March 2023, 12:00:00, local time = UTC
  ScopedClock useClock{clock};
  ScopedLocale locale{LocaleSeparators{}};
  FakeMemoryStatus memory;
  ScopedMemoryStatus useMemory{memory};
  test::TempDir dir;
  const std::string app = dir / "App" + kPathDelim, local = dir / "Local" + kPathDelim, lan = dir / "Lan" + kPathDelim;
  FakeWindow w;
  TGifImage gif1, gif2;
  TPicture picture;
  TBitmap8 work = NewWorkBitmap(), text = NewTextBitmap();
  UnderlayConverter conv{w, {gif1, gif2, picture, work, text}};
  TRadarObj rec;

  UnderlayConversion() {
    ResetProcessState();
    for (const std::string* d : {&app, &local, &lan}) CreateFolder(*d);
    TheErrorLogConfig().folder = dir.Path();
    TheErrorLogConfig().enabled = true;
    w.appDir = app;
    w.targets = {local, lan};
    w.pmap = local;
    w.underlay = "lot_n0r_0.bmp";
    UseRecord("IL,Chicago,LOT", "Short Range Reflectivity, N0R");
  }
  ~UnderlayConversion() override {
    TheErrorLogConfig() = ErrorLogConfig{};
    ResetProcessState();
  }

  void UseRecord(const char* radar, const char* product) {
    rec = TRadarObj();
    rec.InitFromSelection(radar, product, ServerSettings::Defaults());
    rec.LastImage = EncodeDateTime({2006, 12, 7, 15, 32});
  }
  // The world file of the worked example, read as the pass reads it.
  void WriteWorld(const std::string& ext) {
    test::WriteFile(app + rec.BaseName + ext, test::WorldFile());
    rec.LoadWorldFile(app + rec.BaseName + ext);
  }
  void WriteGifInputs(const std::string& gif) {
    test::WriteFile(app + rec.BaseName + ".gif", gif);
    WriteWorld(".gfw");
  }
  bool Gif() { return conv.ConvertGifUnderlay(app + rec.BmpFile, rec); }
  bool Png() { return conv.ConvertPngUnderlay(app + rec.BmpFile, rec); }
  std::string Log() {
    std::string content;
    ReadWholeFile(dir / ErrorLogFileName(LocalNow()), content);
    return content;
  }
  static TBitmap8 ReadBmp(const std::string& path) {
    std::string file = test::ReadFile(path);
    DecodedBmp bmp = DecodeBmp({reinterpret_cast<const uint8_t*>(file.data()), file.size()}).take();
    EXPECT_TRUE(bmp.isIndexed);
    return std::move(bmp.indexed);
  }
  void ExpectObjectsEmpty() {
    EXPECT_TRUE(gif1.IsEmpty());
    EXPECT_TRUE(gif2.IsEmpty());
    EXPECT_EQ(picture.Width(), 0);
    EXPECT_TRUE(work.IsEmpty());
    EXPECT_TRUE(text.IsEmpty());
  }
};

TEST_F(UnderlayConversion, GifRejectionsKeepTheirTextsAndFiles) {
  struct Case {
    std::string gif;  // empty: none
    bool world;
    const char* fileLbl;
    const char* statusPrefix;
    bool gifKept;
  };
  const Case cases[] = {
      {"", true, "File LOT_N0R_0.gif does not exist, cannot convert", "Error ", false},
      {test::RadarGif(600, 550), false, "File LOT_N0R_0.gfw does not exist, cannot convert", "Error ", true},
      {Padded(test::RadarGif(100, 100, 3), 999), true, "LOT_N0R_0.gif= 999 bytes, file too small", "Error - ", false},
      {Padded(test::RadarGif(99, 600, 3), 4000), true, "LOT_N0R_0.gif,99 w by 600 h.  File not saved", "", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fileLbl);
    for (const char* f : {"LOT_N0R_0.gif", "LOT_N0R_0.gfw"}) DeleteFileAt(app + f);
    if (!c.gif.empty()) test::WriteFile(app + "LOT_N0R_0.gif", c.gif);
    if (c.world) WriteWorld(".gfw");
    EXPECT_FALSE(Gif());
    EXPECT_EQ(w.file, c.fileLbl);
    EXPECT_EQ(rec.Status, c.statusPrefix + std::string(c.fileLbl));
    // The too-small text is logged with its prefix, the others without.
    EXPECT_NE(Log().find(std::string(c.statusPrefix).size() == 8 ? rec.Status : w.file), std::string::npos);
    EXPECT_EQ(FileExists(app + "LOT_N0R_0.gif"), c.gifKept);
    EXPECT_FALSE(FileExists(local + "LOT_N0R_0.bmp"));
    ExpectObjectsEmpty();
  }
  WriteGifInputs(Padded(test::RadarGif(100, 100, 3), 1000));
  EXPECT_TRUE(Gif()) << rec.Status;
}

TEST_F(UnderlayConversion, GifDeliveryInBothModesAndItsPixels) {
  struct Case {
    bool client;
    const char* underlay;
    bool redraw;
  };
  for (Case c : {Case{false, "lot_n0r_0.bmp", true}, Case{true, "LOT_N0R_0.BMP", true},
                 Case{false, "LOT_N0R_01.bmp", false}}) {
    SCOPED_TRACE(std::string(c.client ? "client " : "server ") + c.underlay);
    for (const std::string& d : {local, lan})
      for (const char* f : {"LOT_N0R_0.bmp", "LOT_N0R_0.gif", "LOT_N0R_0.gfw", "LOT_N0R_Legend_0.gif"})
        DeleteFileAt(d + f);
    clock.SetUtc(45000.5);
    w = FakeWindow{};
    w.appDir = app;
    w.targets = {local, lan, dir / "Gone" + kPathDelim};
    w.pmap = local;
    w.legend = true;
    w.client = c.client;
    w.underlay = c.underlay;
    w.onPump = [this] {
      if (w.pumps == 1) clock.AdvanceMs(62045);  // one minute, 2.045 s
    };
    // A client converts what its server dropped beside the underlay.
    const std::string& source = c.client ? local : app;
    test::WriteFile(source + "LOT_N0R_0.gif", test::RadarGif(600, 550));
    test::WriteFile(source + "LOT_N0R_0.gfw", test::WorldFile());
    test::WriteFile(source + "LOT_N0R_Legend_0.gif", test::RadarGif(600, 550, 7));
    rec.LoadWorldFile(source + "LOT_N0R_0.gfw");
    ASSERT_TRUE(conv.ConvertGifUnderlay(source + rec.BmpFile, rec)) << rec.Status;

    EXPECT_EQ(rec.Status, "OK");
    EXPECT_EQ(FileSize(local + "LOT_N0R_0.bmp"), 331078);
    EXPECT_EQ(test::ReadFile(local + "LOT_N0R_0.Sat"), std::string(test::kLotWorldText) + "\r\n");
    EXPECT_FALSE(FileExists(lan + "LOT_N0R_0.bmp"));
    for (const char* raw : {"LOT_N0R_0.gif", "LOT_N0R_0.gfw", "LOT_N0R_Legend_0.gif"})
      EXPECT_EQ(FileExists(lan + raw), !c.client) << raw;
    EXPECT_EQ(w.redraws, c.redraw ? 1 : 0);
    EXPECT_EQ(w.panel1, "Convert");
    EXPECT_EQ(w.panel0.front(), "Converting " + source + "LOT_N0R_0.bmp");
    EXPECT_EQ(w.panel0.back(), "Transferred 3 LOT_N0R_0.bmp at 12:01:02");
    EXPECT_EQ(w.file, std::string(c.client ? "Processed files in " : "Processed and transferred raw files in ") +
                          "2.45 sec at 12:01:02");
    ExpectObjectsEmpty();
  }

  // The GIF's table and indices, white bands at the top and bottom with the
  // caption centred in each, and the legend's strip over the right edge.
  TBitmap8 bmp = ReadBmp(local + "LOT_N0R_0.bmp");
  ASSERT_EQ(bmp.GetPalette().size(), 256u);
  EXPECT_EQ(bmp.GetPalette()[2], test::RadarPalette()[2]);
  EXPECT_EQ(bmp.GetPalette()[200], Rgb{});
  TBitmap8 probe;
  probe.Font = TextFont{"Arial", 8, Rgb{}};
  const TextSize cell =
      probe.TextExtent("Ombrix 2.2.1 - Radar image LOT_N0R_0 from IL,Chicago,LOT 12/07/2006 15:32 UTC");
  const int tx = 300 - cell.width / 2;
  int ink[2] = {0, 0}, inkLeft = 600;
  for (int y = 0; y < 550; ++y)
    for (int x = 0; x < 600; ++x) {
      const uint8_t got = bmp.Pixel(x, y);
      if (x >= 555 && y >= 200) {
        ASSERT_EQ(got, 7) << x << "," << y;
      } else if (x >= tx && x < tx + cell.width && ((y >= 2 && y < 2 + cell.height) || y >= 538)) {
        ASSERT_TRUE(got == 0 || got == 1) << x << "," << y;  // black ink on white
        if (got == 0) {
          ++ink[y < 275 ? 0 : 1];
          inkLeft = std::min(inkLeft, x);
        }
      } else if (x >= 30 && x < 570 && (y < 15 || y >= 538)) {
        ASSERT_EQ(got, 1) << x << "," << y;
      } else {
        ASSERT_EQ(got, test::RadarIndex(x, y)) << x << "," << y;
      }
    }
  EXPECT_GT(ink[0], 200);
  EXPECT_GT(ink[1], 100);  // the bottom caption is cut by the image's edge
  // The text cell is centred on the measured width; its first glyph starts
  // at the cell's left edge.
  EXPECT_GE(inkLeft, tx);
  EXPECT_LE(inkLeft, tx + 3);
}

TEST_F(UnderlayConversion, BoundsTargetsAndTheHistory) {
  WriteGifInputs(test::RadarGif(600, 550));
  rec.WorldLeft = 0;  // left edge 0: no usable geo-reference, so no bounds file
  ASSERT_TRUE(Gif());
  EXPECT_EQ(rec.WorldText, "");
  EXPECT_TRUE(FileExists(local + "LOT_N0R_0.bmp"));
  EXPECT_FALSE(FileExists(local + "LOT_N0R_0.Sat"));

  // No targets: nothing saved or copied, no summary, still a success.
  for (const std::string& f : {local + "LOT_N0R_0.bmp", lan + "LOT_N0R_0.gif"}) DeleteFileAt(f);
  w.targets.clear();
  w.panel0.clear();
  EXPECT_TRUE(Gif());
  EXPECT_EQ(rec.Status, "OK");
  EXPECT_FALSE(FileExists(local + "LOT_N0R_0.bmp"));
  EXPECT_FALSE(FileExists(lan + "LOT_N0R_0.gif"));
  EXPECT_EQ(w.panel0.back(), "Converting LOT_N0R_0.gif 12:00:00");

  // Accumulating: an old underlay under 3000 bytes is reported and
  // replaced, one under 10000 is overwritten, a larger one is shifted.
  w.targets = {local};
  rec.Accumulate = true;
  for (int old : {2000, 5000, 10000}) {
    SCOPED_TRACE(old);
    DeleteFileAt(local + "LOT_N0R_01.bmp");
    test::WriteFile(local + "LOT_N0R_0.bmp", std::string(old, 'o'));
    ASSERT_TRUE(Gif()) << rec.Status;
    EXPECT_EQ(Log().find("Error - previous LOT_N0R_0.bmp file size = " + std::to_string(old) +
                         " accum images process not used.") != std::string::npos,
              old == 2000);
    EXPECT_EQ(FileSize(local + "LOT_N0R_0.bmp"), 331078);
    EXPECT_EQ(FileSize(local + "LOT_N0R_01.bmp"), old == 10000 ? 10000 : -1);
  }
}

TEST_F(UnderlayConversion, GifFailuresAndClosingReleaseEverything) {
  WriteGifInputs(test::RadarGif(600, 550));
  // A raw file that cannot be forwarded only beeps; the next target is served.
  CreateFolder(lan + "LOT_N0R_0.gif");
  w.targets = {lan, local};
  EXPECT_TRUE(Gif()) << rec.Status;
  EXPECT_EQ(w.beeps, 1);
  EXPECT_TRUE(FileExists(lan + "LOT_N0R_0.gfw"));
  EXPECT_TRUE(FileExists(local + "LOT_N0R_0.bmp"));
  EXPECT_FALSE(FileExists(lan + "LOT_N0R_0.gif.part"));

  DeleteFileAt(local + "LOT_N0R_0.bmp");
  CreateFolder(local + "LOT_N0R_0.bmp");  // a folder in the underlay's place: saving fails
  EXPECT_FALSE(Gif());
  EXPECT_TRUE(rec.Status.starts_with("Error saving bmp Cannot write ")) << rec.Status;
  EXPECT_TRUE(rec.Status.ends_with("-LOT_N0R_0.gif")) << rec.Status;
  EXPECT_EQ(w.file, rec.Status + " at 12:00:00");
  EXPECT_NE(Log().find(rec.Status), std::string::npos);
  EXPECT_FALSE(FileExists(local + "LOT_N0R_0.bmp.part"));
  ExpectObjectsEmpty();
  test::WriteFile(app + "LOT_N0R_0.gif", Padded("GIF89a", 2000));
  EXPECT_FALSE(Gif());
  EXPECT_TRUE(rec.Status.starts_with("Error loading gif ")) << rec.Status;
  ExpectObjectsEmpty();

  // Closing at any of a whole run's message pumps: false, Status
  // untouched, the working objects empty.
  WriteGifInputs(test::RadarGif(600, 550));
  std::filesystem::remove(local + "LOT_N0R_0.bmp");
  w.underlay.clear();  // the redraw's pump is the only one no test follows
  w.pumps = 0;
  ASSERT_TRUE(Gif());
  for (int at = w.pumps; at >= 1; --at) {
    SCOPED_TRACE(at);
    rec.Status = "untouched";
    w.pumps = 0;
    w.closeAtPump = at;
    EXPECT_FALSE(Gif());
    EXPECT_EQ(rec.Status, "untouched");
    ExpectObjectsEmpty();
  }
}

TEST_F(UnderlayConversion, PngRejectionsAndFailures) {
  UseRecord("!!ConUS,Iowa State University", ", ");
  WriteWorld(".wld");
  struct Case {
    std::string png;
    const char* fileLbl;  // or the beginning of Status when it has no text of its own
    bool pngKept;
  };
  const Case cases[] = {
      {PngOfSize(50, 50, 9999), "n0r_0.png= 9999 bytes, file too small", false},
      {PngOfSize(50, 50, 10000), "n0r_0.png too small ,50 w by 50 h.  File not saved", true},
      {test::CompositePng(4999, 2600), "n0r_0.png too small ,4999 w by 2600 h.  File not saved", true},
      {test::CompositePng(5000, 2000, 0.6), "Error drawing png on bmp PNG image data is incomplete-n0r_0.png", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fileLbl);
    test::WriteFile(app + "n0r_0.png", c.png);
    EXPECT_FALSE(Png());
    if (rec.Status.starts_with("Error drawing")) {
      EXPECT_EQ(rec.Status, c.fileLbl);
    } else {
      EXPECT_EQ(w.file, c.fileLbl);
      // The dimension rejection's Status has "Error " in front, unlike the GIF's.
      EXPECT_EQ(rec.Status, (c.pngKept ? "Error " : "Error - ") + w.file);
      EXPECT_NE(Log().find(c.pngKept ? w.file : rec.Status), std::string::npos);
    }
    EXPECT_EQ(FileExists(app + "n0r_0.png"), c.pngKept);
    ExpectObjectsEmpty();
  }
  test::WriteFile(app + "n0r_0.png", Composite());
  CreateFolder(local + "ConUs.bmp");
  EXPECT_FALSE(Png());
  EXPECT_TRUE(rec.Status.starts_with("Error saving dest Cannot write ")) << rec.Status;
  ExpectObjectsEmpty();
}

TEST_F(UnderlayConversion, PngCompositeDeliveryAndPixels) {
  UseRecord("!!ConUS,Iowa State University", ", ");
  WriteWorld(".wld");
  w.underlay = "ConUs.bmp";
  test::WriteFile(app + "n0r_0.png", Composite());
  ASSERT_TRUE(Png()) << rec.Status;
  EXPECT_EQ(w.redraws, 1);
  EXPECT_TRUE(test::ReadFile(local + "ConUs.Sat").starts_with("-92.5874862670898,44.409984588623,"));
  EXPECT_TRUE(FileExists(lan + "n0r_0.png"));
  EXPECT_TRUE(FileExists(lan + "n0r_0.wld"));
  EXPECT_FALSE(FileExists(lan + "ConUs.bmp"));
  ExpectObjectsEmpty();

  // Black and transparent become white, other colours their nearest
  // halftone entry (half-transparent red over white: pink); a white band at
  // the top holds the caption, and there is none at the bottom.
  TBitmap8 bmp = ReadBmp(local + "ConUs.bmp");
  ASSERT_EQ(bmp.Width(), 5000);
  EXPECT_EQ(bmp.GetPalette(), HalftonePalette());
  const uint8_t white = NearestIndex(HalftonePalette(), Rgb{255, 255, 255});
  const uint8_t black = NearestIndex(HalftonePalette(), Rgb{});
  const uint8_t colour[5] = {white, white, NearestIndex(HalftonePalette(), Rgb{255, 127, 127}),
                             NearestIndex(HalftonePalette(), Rgb{10, 200, 30}),
                             NearestIndex(HalftonePalette(), Rgb{128, 128, 128})};
  TBitmap8 probe;
  probe.Font = TextFont{"Arial", 10, Rgb{}};
  const int band = probe.TextHeight("YyXp");
  const TextSize cell =
      probe.TextExtent("Ombrix 2.2.1 - Radar image ConUs from !!ConUS,Iowa State University 12/07/2006 15:32 UTC");
  const int tx = 2500 - cell.width / 2;
  int ink = 0;
  for (int y = 0; y < 2000; ++y)
    for (int x = 0; x < 5000; ++x) {
      const uint8_t got = bmp.Pixel(x, y);
      if (x >= tx && x < tx + cell.width && y >= 2 && y < 2 + cell.height) {
        ASSERT_TRUE(got == white || got == black) << x << "," << y;
        ink += got == black;
      } else if (x >= 30 && x < 4970 && y < band) {
        ASSERT_EQ(got, white) << x << "," << y;
      } else {
        ASSERT_EQ(got, colour[test::CompositeIndex(x, y)]) << x << "," << y;
      }
    }
  EXPECT_GT(ink, 300);

  // In Client mode only the local target gets anything; the other shows
  // no more than "Transferring".
  w = FakeWindow{};
  w.client = true;
  w.targets = {local, lan};
  w.pmap = local;
  for (const char* f : {"n0r_0.png", "n0r_0.wld"}) DeleteFileAt(lan + f);
  test::WriteFile(local + "n0r_0.png", Composite());
  test::WriteFile(local + "n0r_0.wld", test::WorldFile());
  ASSERT_TRUE(conv.ConvertPngUnderlay(local + "ConUs.bmp", rec)) << rec.Status;
  EXPECT_FALSE(FileExists(lan + "n0r_0.png"));
  for (const std::string& p : w.panel0) EXPECT_EQ(p.find("Copying"), std::string::npos) << p;
}

TEST_F(UnderlayConversion, ReadersNeverSeeAPartialFile) {
  // A LAN client polling for the raw GIF, and PMapServer reading the
  // underlay, while conversions replace both: each sees a whole file or
  // none, never a part, and the underlay never goes missing.
  const std::string gif = Padded(test::RadarGif(600, 550), 12 << 20);
  WriteGifInputs(gif);
  ASSERT_TRUE(Gif());
  std::atomic<bool> stop{false};
  std::atomic<int> partialRaw{0}, badUnderlay{0}, polls{0};
  std::thread reader([&] {
    for (; !stop; ++polls) {
      long long raw = FileSize(lan + "LOT_N0R_0.gif");
      if (raw >= 0 && raw != static_cast<long long>(gif.size())) ++partialRaw;
      if (FileSize(local + "LOT_N0R_0.bmp") != 331078) ++badUnderlay;
    }
  });
  for (int i = 0; i < 3; ++i) {
    DeleteFileAt(lan + "LOT_N0R_0.gif");
    EXPECT_TRUE(Gif()) << rec.Status;
  }
  stop = true;
  reader.join();
  EXPECT_GT(polls, 10);
  EXPECT_EQ(partialRaw, 0);
  EXPECT_EQ(badUnderlay, 0);
  EXPECT_FALSE(FileExists(lan + "LOT_N0R_0.gif.part"));
}

}  // namespace
}  // namespace ombrix
