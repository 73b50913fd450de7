// TAboutBox: the About box as component state. The Win32 shell shows it as a
// modal dialog (ui/win32/AboutWindow.cpp).
#pragma once
#include <string>

#include "ui/Components.h"

namespace ombrix {

// The product's web site, opened by the Help menu and the About box's link.
inline constexpr const char* kOmbrixWebSite = "https://ombrix.example.org/";

struct TAboutBox {
  TAboutBox();
  FormState Form;     // caption "About Ombrix", client area 294 x 263
  Label ProductName;  // "Ombrix 2.2.1"
  Label Version;      // the product name up to its first blank: "Ombrix"
  Label Comments;     // the publisher's contact lines, one per line
  Label WebLink;      // blue; a click opens the web site
  Button OKButton;
};

}  // namespace ombrix
