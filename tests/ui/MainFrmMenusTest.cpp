// The Help menu, F1 and the About box reach the desktop shell.
#include <gtest/gtest.h>

#include "support/TempDir.h"
#include "ui/MainFrm.h"
#include "ui/ShellCommands.h"
#include "util/FakeEventLoop.h"

namespace ombrix {
namespace {

class MenusTest : public ::testing::Test {
 protected:
  MenusTest() {
    Platform platform;
    platform.loop = &loop;
    platform.shell = &shell;
    form = std::make_unique<TMain>(platform, dir.Path());
  }
  test::TempDir dir;
  FakeClock clock;
  FakeEventLoop loop{clock};
  FakeShellCommands shell;
  std::unique_ptr<TMain> form;
};

TEST_F(MenusTest, WebSitesOpenTheirFixedPages) {
  form->UiViewinfo1Click();
  form->YahooUiViewgroup1Click();
  form->NWSRidge1Click();
  form->TAMU1Click();
  form->Iowa1Click();
  form->OmbrixWebsite1Click();
  ASSERT_EQ(shell.calls.size(), 6u);
  auto endsWith = [](const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
  };
  EXPECT_TRUE(endsWith(shell.calls[0], "/")) << "the UI-View site's home page";
  EXPECT_TRUE(endsWith(shell.calls[1], "/group/ui-view/"));
  EXPECT_TRUE(endsWith(shell.calls[2], "/ridge/"));
  EXPECT_EQ(shell.calls[5], std::string("open ") + kOmbrixWebSite);
  for (const auto& call : shell.calls) EXPECT_EQ(call.rfind("open http", 0), 0u) << call;
}

TEST_F(MenusTest, DataItemsOpenTheServerAddressesOfTheSettings) {
  form->Servers.RidgeBaseUrl = "http://ridge.test/ridge/RadarImg/";
  form->Servers.RidgeNatBaseUrl = "http://ridge.test/ridge/Conus/RadarImg/";
  form->Servers.TamuBaseUrl = "http://tamu.test/gemdata/images/radar/";
  form->Servers.IowaBaseUrl = "http://iowa.test/data/gis/images/unproj/USCOMP/";
  form->NWSRidgeData1Click();
  form->RidgeNationaSectionalData1Click();
  form->TexasAMData1Click();
  form->IowaStateData1Click();
  EXPECT_EQ(shell.calls, (std::vector<std::string>{"open http://ridge.test/ridge/RadarImg/",
                                                  "open http://ridge.test/ridge/Conus/RadarImg/",
                                                  "open http://tamu.test/gemdata/images/radar/",
                                                  "open http://iowa.test/data/gis/images/unproj/USCOMP/"}));
}

TEST_F(MenusTest, HelpOpensTheHelpFileBesideTheProgram) {
  form->Help2Click();
  ASSERT_EQ(shell.calls.size(), 1u);
  EXPECT_EQ(shell.calls[0], "help " + dir.Path() + "Ombrix2.hlp");
}

TEST_F(MenusTest, AboutBoxShowsProductAndVersion) {
  form->About1Click();
  EXPECT_EQ(shell.calls, std::vector<std::string>{"about"});
  EXPECT_EQ(form->AboutBox.Form.caption, "About Ombrix");
  EXPECT_EQ(form->AboutBox.ProductName.caption, "Ombrix 2.2.1");
  EXPECT_EQ(form->AboutBox.Version.caption, "Ombrix");
}

}  // namespace
}  // namespace ombrix
