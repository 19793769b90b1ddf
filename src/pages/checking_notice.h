#pragma once

#include "pages/page_frame.h"

#include <atomic>

namespace orvo::pages {

inline constexpr UINT kCloseNoticeMessage = WM_USER + 50;

inline constexpr PageText kCheckingNoticeTexts[] = {{IDC_NOTICE_TEXT, IDS_CHECKING_NOTICE}};

// The small untitled notice shown on a thread of its own while the handheld or an image is
// examined. It records its window so that it can be ended from another thread.
class CheckingNotice {
  public:
    CheckingNotice(HWND dialog, PageContext& context);
    INT_PTR Initialise();
    INT_PTR Handle(UINT message, WPARAM wparam, LPARAM lparam);

    // The notice now shown, or null.
    static std::atomic<HWND> hNoticeWnd;

  private:
    void SetNoticeText();

    HWND dialog_;
    PageContext& context_;
};

}  // namespace orvo::pages
