#include "pages/page_context.h"

namespace orvo::pages {

void DisplayResources::Make(HINSTANCE instance) {
    hScreenDC.Reset(CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr));
    hPictureDC.Reset(CreateCompatibleDC(hScreenDC.Get()));
    LeftPicture.Reset(LoadBitmapW(instance, MAKEINTRESOURCEW(IDB_LEFT_PICTURE)));
    if (hPictureDC && LeftPicture) SelectObject(hPictureDC.Get(), LeftPicture.Get());
}

void DisplayResources::Release() {
    hPictureDC.Reset();
    hScreenDC.Reset();
    LeftPicture.Reset();
}

}  // namespace orvo::pages
