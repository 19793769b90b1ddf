#include "platform/win32/centre_window.h"

#include "base/centre.h"

namespace orvo::win32 {

void CentreWindow(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    const Origin origin =
        CentredOrigin(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), width, height);
    MoveWindow(window, origin.left, origin.top, width, height, FALSE);
}

}  // namespace orvo::win32
