#include "pages/checking_notice.h"

namespace orvo::pages {

namespace {
constexpr int kNoticeControl = 1072;
constexpr int kNoticeText = 11057;
}  // namespace

std::atomic<HWND> CheckingNotice::hNoticeWnd{nullptr};

CheckingNotice::CheckingNotice(HWND dialog, PageContext& context)
    : dialog_(dialog), context_(context) {
    hNoticeWnd = dialog;
}

void CheckingNotice::SetNoticeText() { SetText(dialog_, kNoticeControl, context_, kNoticeText); }

INT_PTR CheckingNotice::Initialise() {
    SetNoticeText();
    CentreAndShowInFront(dialog_);
    return TRUE;
}

INT_PTR CheckingNotice::Handle(UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
        case WM_PAINT:
            SetNoticeText();
            return FALSE;
        case kCloseNoticeMessage:
            hNoticeWnd = nullptr;
            EndDialog(dialog_, 1);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) {
                hNoticeWnd = nullptr;
                EndDialog(dialog_, LOWORD(wparam) == IDOK ? 1 : 2);
            }
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace orvo::pages
