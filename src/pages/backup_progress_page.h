#pragma once

#include "pages/page_frame.h"

namespace orvo::pages {

// The Backup progress page: bar, percent, what happens, a red warning and how long it takes,
// while its worker fetches the handheld's ROM. It has no buttons; the worker ends it.
class BackupProgressPage {
  public:
    BackupProgressPage(HWND dialog, PageContext& context) : dialog_(dialog), context_(context) {}
    INT_PTR Initialise();
    INT_PTR Handle(UINT message, WPARAM wparam, LPARAM lparam);

  private:
    HWND dialog_;
    PageContext& context_;
};

}  // namespace orvo::pages
