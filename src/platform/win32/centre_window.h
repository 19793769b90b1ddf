#pragma once

#include <windows.h>

namespace orvo::win32 {

// Moves a top-level window so that it is centred on the primary screen, keeping its size.
void CentreWindow(HWND window);

}  // namespace orvo::win32
