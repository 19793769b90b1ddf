#pragma once

#include "pages/frame_page.h"
#include "pages/page_frame.h"

namespace orvo::pages {

// How to restart the handheld into its boot loader, with picture 169. Its watcher enables Weiter
// once the handheld has left ActiveSync and its boot loader answers on a port, which then stays
// open for the Update progress page.
class BootLoaderEntryPage {
  public:
    BootLoaderEntryPage(HWND dialog, PageContext& context) : dialog_(dialog), context_(context) {}
    INT_PTR Initialise();
    INT_PTR Handle(UINT message, WPARAM wparam, LPARAM lparam);

  private:
    void OnCommand(int control);

    HWND dialog_;
    PageContext& context_;
    // The page's own copy of picture 169.
    OwnPicture picture_;
};

}  // namespace orvo::pages
