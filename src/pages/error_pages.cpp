#include "pages/error_pages.h"

namespace orvo::pages {

namespace {
// How long the Image-not-found page keeps its caller waiting after closing the main window.
constexpr DWORD kAfterCloseMs = 1000;
}  // namespace

void ImageTooLargePage::Start() {
    SetNumber(IDC_IMAGE_SIZE_VALUE, context_.state.ImageSizeKB / 1024);
    SetNumber(IDC_FLASH_SIZE_VALUE, context_.state.Device.FlashSizeMB);
}

bool ImageNotFoundPage::Command(int control) {
    if (control != IDC_CANCEL) return false;
    if (IsWindow(context_.hMainWnd)) SendMessageW(context_.hMainWnd, WM_CLOSE, 0, 0);
    End(1);
    Sleep(kAfterCloseMs);
    return true;
}

}  // namespace orvo::pages
