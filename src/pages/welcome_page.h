#pragma once

#include "pages/page_frame.h"

namespace orvo::pages {

// The first page: what the wizard does, the warning that all data is erased, and the check box
// by which the user acknowledges it before Weiter is enabled.
class WelcomePage {
  public:
    WelcomePage(HWND dialog, PageContext& context) : dialog_(dialog), context_(context) {}
    INT_PTR Initialise();
    INT_PTR Handle(UINT message, WPARAM wparam, LPARAM lparam);

  private:
    void OnCommand(int control);

    HWND dialog_;
    PageContext& context_;
    HeadingFont heading_font_;
    win32::OwnedFont label_font_;
};

}  // namespace orvo::pages
