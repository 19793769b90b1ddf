#pragma once

#include "pages/page_frame.h"

namespace orvo::pages {

// WARNUNG 111: the handheld is not on mains power. Weiter lets the user go on only while it is
// (or while its power cannot be read); the page's poller follows the mains meanwhile.
class PowerWarningPage {
  public:
    PowerWarningPage(HWND dialog, PageContext& context) : dialog_(dialog), context_(context) {}
    INT_PTR Initialise();
    INT_PTR Handle(UINT message, WPARAM wparam, LPARAM lparam);

  private:
    void OnWeiter();

    HWND dialog_;
    PageContext& context_;
    HeadingFont heading_font_;
};

}  // namespace orvo::pages
