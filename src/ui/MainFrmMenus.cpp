// The main menu's Help and About commands and the About box's texts.
#include "ui/About.h"
#include "ui/MainFrm.h"
#include "ui/ShellCommands.h"

namespace ombrix {

namespace {

// Hosts of the sites the "Web sites" menu opens; the paths are the ones the
// program has always opened.
constexpr const char* kUiViewSite = "http://www.ui-view.net/";
constexpr const char* kUiViewGroup = "http://groups.yahoo.com/group/ui-view/";
constexpr const char* kNwsRidgeSite = "http://radar.weather.gov/ridge/";
constexpr const char* kTamuSite = "http://mesonet.tamu.edu/";
constexpr const char* kIowaSite = "http://mesonet.agron.iastate.edu/";

}  // namespace

TAboutBox::TAboutBox() {
  Form.caption = "About Ombrix";
  Form.width = 294;  // client area
  Form.height = 263;
  const std::string product = TMain::kProductName;
  ProductName.caption = product;
  Version.caption = product.substr(0, product.find(' '));
  Comments.caption =
      "Weather radar underlays for UI-View32 and PMapServer.\r"
      "Questions, reports and new versions: see the web site.";
  WebLink.caption = kOmbrixWebSite;
  WebLink.colour = clBlue;
  OKButton.caption = "OK";
}

void TMain::OpenWebSite(const std::string& address) {
  if (platform_.shell) platform_.shell->Open(address);
}

void TMain::About1Click() {
  if (platform_.shell) platform_.shell->ShowAboutBox(AboutBox);
}

void TMain::Help2Click() {
  if (platform_.shell) platform_.shell->ShowHelpContents(AppDir() + "Ombrix2.hlp");
}

void TMain::OmbrixWebsite1Click() { OpenWebSite(kOmbrixWebSite); }
void TMain::UiViewinfo1Click() { OpenWebSite(kUiViewSite); }
void TMain::YahooUiViewgroup1Click() { OpenWebSite(kUiViewGroup); }
void TMain::NWSRidge1Click() { OpenWebSite(kNwsRidgeSite); }
void TMain::TAMU1Click() { OpenWebSite(kTamuSite); }
void TMain::Iowa1Click() { OpenWebSite(kIowaSite); }
void TMain::NWSRidgeData1Click() { OpenWebSite(Servers.RidgeBaseUrl); }
void TMain::RidgeNationaSectionalData1Click() { OpenWebSite(Servers.RidgeNatBaseUrl); }
void TMain::TexasAMData1Click() { OpenWebSite(Servers.TamuBaseUrl); }
void TMain::IowaStateData1Click() { OpenWebSite(Servers.IowaBaseUrl); }

}  // namespace ombrix
