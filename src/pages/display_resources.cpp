#include "pages/page_context.h"

namespace orvo::pages {

namespace {
constexpr int kLeftPictureId = 171;
}

void DisplayResources::Make(HINSTANCE instance) {
    hScreenDC.Reset(CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr));
    hPictureDC.Reset(CreateCompatibleDC(hScreenDC.Get()));
    LeftPicture.Reset(LoadBitmapW(instance, MAKEINTRESOURCEW(kLeftPictureId)));
    if (hPictureDC && LeftPicture) SelectObject(hPictureDC.Get(), LeftPicture.Get());
}

void DisplayResources::Release() {
    hPictureDC.Reset();
    hScreenDC.Reset();
    LeftPicture.Reset();
}

}  // namespace orvo::pages
