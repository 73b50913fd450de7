// The grid of download records and its commands, driven through TMain's
// handlers as the window routes them: what the user is asked, what the grid
// shows, and what reaches the list file.
#include <gtest/gtest.h>

#include "app/ProcessState.h"
#include "host/Discovery.h"
#include "support/TempDir.h"
#include "ui/Dialogs.h"
#include "ui/MainFrm.h"
#include "ui/RadarGridRows.h"
#include "ui/ShellCommands.h"
#include "util/Clock.h"
#include "util/FakeEventLoop.h"

using namespace ombrix;
using ombrix::test::ReadFile;
using ombrix::test::TempDir;

namespace {

class RecordCommandsTest : public ::testing::Test {
 protected:
  // 15 March 2023, 12:00 UTC; local time one hour ahead.
  FakeClock clock{45000.5, 1.0 / 24};
  ScopedClock useClock{clock};
  FakeEventLoop loop{clock};
  FakeDialogs dialogs;
  FakeShellCommands shell;
  TempDir appDir;
  int saves = 0;
  std::unique_ptr<TMain> main;

  void SetUp() override {
    Host = {};
    Host.PMapUnderlayPath = "C:\\PMapServer7\\PMap Underlays\\";
    ResetProcessState();
    Platform p;
    p.loop = &loop;
    p.dialogs = &dialogs;
    p.shell = &shell;
    p.saveSettings = [this] { ++saves; };
    main = std::make_unique<TMain>(p, appDir.Path());
    main->Servers = ServerSettings::Defaults();
    main->RefreshGrid();
  }
  void TearDown() override { Host = {}; }

  // Chooses radar and product and presses Add, answering the confirmation.
  void Add(const std::string& radar, const std::string& product, bool yes = true) {
    main->RadarCmb.text = radar;
    main->ProductCmb.text = product;
    dialogs.confirmAnswers = {yes};
    main->AddBtnClick();
  }
  std::string LastDialog() const { return dialogs.shown.empty() ? "" : dialogs.shown.back().kind + ": " + dialogs.shown.back().text; }
  std::vector<std::string> Row(int r) { return main->RadarGrid.cells.at(r); }
  std::string ListFile() { return ReadFile(appDir / "DownLoadList.Txt"); }
};

TEST_F(RecordCommandsTest, AddAsksRefusesDuplicatesAndShowsTheNewRow) {
  Add("  ", "N0R, Short Range Reflectivity");
  EXPECT_EQ(LastDialog(), "error: Radar not selected!");
  Add("IL,Chicago,LOT", " ");
  EXPECT_EQ(LastDialog(), "error: Product not selected!");
  Add("IL,Chicago,LOT", "N0R, Short Range Reflectivity", false);
  EXPECT_EQ(LastDialog(), "confirm: Add IL,Chicago,LOT/N0R, Short Range Reflectivity to download list?");
  EXPECT_TRUE(main->RadarList.Empty()) << "only Yes adds";

  main->AccumChk.checked = true;
  Add("IL,Chicago,LOT", "N0R, Short Range Reflectivity");
  ASSERT_EQ(main->RadarList.Count(), 1);
  EXPECT_EQ(main->RadarGrid.Cell(0, 0), "Radar");
  EXPECT_EQ(main->RadarGrid.Cell(8, 0), "Errors");
  std::vector<std::string> row = Row(1);
  row[4] = row[5] = "";  // the new record's attempt times are now
  EXPECT_EQ(row, (std::vector<std::string>{"IL,Chicago,LOT", "Short Range Reflectivity, N0R", "", "New record", "",
                                            "", "Yes", "Yes", "0,0"}));
  EXPECT_NE(ListFile().find("IL,Chicago,LOT"), std::string::npos);
  EXPECT_EQ(saves, 1);

  const size_t shown = dialogs.shown.size();
  Add("il,chicago,lot", "N0R, Short Range Reflectivity");
  EXPECT_EQ(LastDialog(), "error: Record already in list, aborting....");
  EXPECT_EQ(dialogs.shown.size(), shown + 2) << "asked first, refused after";
  EXPECT_EQ(main->RadarList.Count(), 1);

  // A composite has no product: none is asked for and ", " is stored.
  main->AccumChk.checked = false;
  Add("!!ConUS,Iowa State University", "N0V, Velocity");
  EXPECT_EQ(dialogs.shown[dialogs.shown.size() - 1].text, "Add !!ConUS,Iowa State University to download list?");
  ASSERT_EQ(main->RadarList.Count(), 2);
  EXPECT_EQ(main->RadarList.Objects(1).Product, ", ");
  EXPECT_EQ(main->RadarGrid.Cell(1, 2), "ConUS");
  EXPECT_EQ(main->RadarGrid.Cell(6, 2), "No");
}

TEST_F(RecordCommandsTest, DeleteAsksAndLeavesOneBlankRow) {
  main->DeleteBtnClick();
  EXPECT_TRUE(dialogs.shown.empty()) << "an empty list asks nothing";
  Add("IL,Chicago,LOT", "N0R, Short Range Reflectivity");

  main->RadarGrid.row = 0;
  main->DeleteBtnClick();
  EXPECT_EQ(LastDialog(), "error: Radar record not selected, aborting!");

  main->RadarGrid.row = 1;
  dialogs.confirmAnswers = {false};
  main->DeleteBtnClick();
  EXPECT_EQ(LastDialog(), "confirm: Delete IL,Chicago,LOT,Short Range Reflectivity, N0R?");
  EXPECT_EQ(main->RadarList.Count(), 1);

  dialogs.confirmAnswers = {true};
  main->DeleteRecord1Click();
  EXPECT_TRUE(main->RadarList.Empty());
  EXPECT_EQ(main->RadarGrid.rowCount, 2);
  EXPECT_EQ(Row(1), std::vector<std::string>(9));
  EXPECT_EQ(ListFile().find("Chicago"), std::string::npos) << "the emptied list is written";
}

TEST_F(RecordCommandsTest, PopupCaptionsFollowTheRecordAndTheMode) {
  RadarPopupMenu& menu = main->RadarPopup;
  main->RadarPopupPopup();
  EXPECT_EQ(LastDialog(), "error: Radar grid has no records, aborting!");
  EXPECT_EQ(menu.Browseto1.caption, "&Browse to") << "the menu opens with its previous captions";

  Add("IL,Chicago,LOT", "N0R, Short Range Reflectivity");
  const TRadarObj& r = main->RadarList.Objects(0);
  main->RadarGridMouseDown(TMain::MouseButton::Left, 40, 30);
  EXPECT_FALSE(main->RadarPopupWanted);
  main->RadarGridDblClick();
  ASSERT_TRUE(main->RadarPopupWanted);
  EXPECT_EQ(main->RadarPopupWanted->x, 40) << "at the last mouse-down";
  main->RadarPopupPopup();
  EXPECT_EQ(menu.ViewUnderlay1.caption, "&View Underlay " + r.BmpFile.substr(0, r.BmpFile.find('.')));
  EXPECT_EQ(menu.Browseto1.caption, "&Browse to " + r.BaseName);
  EXPECT_EQ(menu.Accumulateimages1.caption, "Accumulate images");
  EXPECT_EQ(menu.Disabledownload1.caption, "Disable downloads");

  main->Accumulateimages1Click();
  main->Disabledownload1Click();
  EXPECT_TRUE(menu.Accumulateimages1.checked);
  EXPECT_EQ(main->RadarGrid.Cell(6, 1), "Yes");
  EXPECT_EQ(main->RadarGrid.Cell(7, 1), "No");
  EXPECT_NE(ListFile().find("Chicago"), std::string::npos);
  main->ModeGrp.itemIndex = 1;
  main->RadarPopupPopup();
  EXPECT_EQ(menu.Accumulateimages1.caption, "Do not accumulate images");
  EXPECT_EQ(menu.Disabledownload1.caption, "Enable processing");

  main->Browseto1Click();
  main->ViewUnderlay1Click();
  EXPECT_EQ(shell.calls, (std::vector<std::string>{"open " + r.ImageUrl, "open " + Host.PMapUnderlayPath + r.BmpFile}));

  main->RadarGrid.row = -1;
  main->Accumulateimages1Click();
  EXPECT_EQ(LastDialog(), "error: Radar record not selected, aborting!");
  EXPECT_TRUE(r.Accumulate);
}

TEST_F(RecordCommandsTest, HintBoxComesOverACellAndGoesAtTheHeader) {
  Add("IL,Chicago,LOT", "N0R, Short Range Reflectivity");
  main->RadarList.Objects(0).DownloadErrors = 2;
  main->RadarList.Objects(0).ConvertErrors = 5;
  main->RefreshGrid();
  auto width = [](const std::string& text) { return static_cast<int>(text.size()) * 6; };
  TMain::GridHintAction a = main->RadarGridMouseMove({8, 1, 505, 535, 20}, width);
  ASSERT_TRUE(a.draw);
  EXPECT_EQ(a.draw->text, "Errors : Access=2,Conversion=5");
  EXPECT_TRUE(main->HintBoxShown);
  a = main->RadarGridMouseMove({8, 0, 505, 535, 0}, width);  // the header row
  EXPECT_TRUE(a.repaint);
  EXPECT_FALSE(a.draw);
  EXPECT_FALSE(main->HintBoxShown);
  EXPECT_FALSE(main->RadarGridMouseMove({8, 0, 505, 535, 0}, width).repaint) << "nothing to take away";
  EXPECT_TRUE(main->RadarGridMouseMove({0, -1}, width).repaint) << "below the rows";
  main->RadarGridMouseMove({0, 1, 0, 100, 20}, width);
  EXPECT_TRUE(main->RidgePnlMouseMove());
  EXPECT_FALSE(main->RidgePnlMouseMove());
}

TEST(RadarGridRows, TimesAreLocalAndAWeekOldIsBlank) {
  const TDateTime utcNow = 45000.5, localNow = utcNow + 1.0 / 24;
  TRadarList list;
  auto* r = list.Add("a", std::make_unique<TRadarObj>());
  r->Description = "TX,Houston,HGX";
  r->Product = "Base Reflectivity, N0R";
  r->LastImage = utcNow - 0.25;          // 06:00 UTC, 07:00 local
  r->LastAttempt = localNow - 7;         // exactly a week: blank
  r->NextAttempt = utcNow + 1.0 / 96;    // 12:15 UTC
  r->DownloadErrors = 2;
  r->ConvertErrors = 5;
  StringGrid grid;
  FillRadarGrid(grid, list, localNow, utcNow);
  EXPECT_EQ(grid.Cell(2, 1), FormatDateTime(DateTimePattern::MonthDayHourMinute, utcNow - 0.25 + 1.0 / 24));
  EXPECT_EQ(grid.Cell(4, 1), "");
  EXPECT_EQ(grid.Cell(5, 1), FormatDateTime(DateTimePattern::Time, utcNow + 1.0 / 96 + 1.0 / 24));
  EXPECT_EQ(grid.Cell(8, 1), "2,5");
}

TEST(RadarGridRows, HintBoxOverTheErrorsCellSpellsOutTheCounts) {
  struct Case {
    std::string cell, text;
  } cases[] = {{"2,5", "Errors : Access=2,Conversion=5"},
               {"x,", "Errors : Access=0,Conversion=0"},
               {"", "Errors : Access=0,Conversion=0"},
               {"12,0", "Errors : Access=12,Conversion=0"}};
  for (const Case& c : cases) EXPECT_EQ(ErrorsHintText(c.cell), c.text) << c.cell;

  auto width = [](const std::string& text) { return static_cast<int>(text.size()) * 6; };
  // Errors column inside the grid: centred on the cell's left edge.
  GridHint errors = PlaceGridHint({8, "2,5", 500, 530, 40, 8, 568}, width);
  EXPECT_EQ(errors.text, "Errors : Access=2,Conversion=5");
  EXPECT_EQ(errors.x, 500 - 180 / 2);
  EXPECT_EQ(errors.y, 25);
  // A cell reaching past the grid's right edge, and one scrolled off its left.
  EXPECT_EQ(PlaceGridHint({5, "12:00:00", 540, 603, 40, 8, 568}, width).x, 8 + 568 - 2 * 48);
  EXPECT_EQ(PlaceGridHint({0, "TX,Houston", 2, 102, 40, 8, 568}, width).x, 8 + 60 / 2);
  EXPECT_EQ(PlaceGridHint({3, "OK", 300, 336, 40, 8, 568}, width).x, 300);

  HintBoxRect box = HintBoxAt(100, 25, 31, 13);
  EXPECT_EQ(box.left, 100 - 15 - 4);
  EXPECT_EQ(box.top, 25 + 13 + 4);
  EXPECT_EQ(box.right, box.left + 35);
  EXPECT_EQ(box.bottom, box.top + 13);
}

}  // namespace
