#include "pages/checking_notice.h"

namespace orvo::pages {

std::atomic<HWND> CheckingNotice::hNoticeWnd{nullptr};

CheckingNotice::CheckingNotice(HWND dialog, PageContext& context)
    : dialog_(dialog), context_(context) {
    hNoticeWnd = dialog;
}

void CheckingNotice::SetNoticeText() { SetFixedTexts(dialog_, context_, kCheckingNoticeTexts); }

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
            if (LOWORD(wparam) == IDC_FORWARD || LOWORD(wparam) == IDC_CANCEL) {
                hNoticeWnd = nullptr;
                EndDialog(dialog_, LOWORD(wparam) == IDC_FORWARD ? 1 : 2);
            }
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace orvo::pages
