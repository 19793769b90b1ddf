// The page frame's heading font, falling back to the page's own font when that cannot be
// described, leaves the page's font alive. (A replaced warning brush released: the page tests.)

#include "pages/page_frame.h"

#include <gtest/gtest.h>

namespace orvo::pages {
namespace {

TEST(HeadingFont, FallsBackToThePageFontItselfAndLeavesItAlive) {
    // A region is a GDI object that cannot be described like a font; a static control, standing
    // in for the page, answers with whatever font it was given.
    auto not_a_font = reinterpret_cast<HFONT>(CreateRectRgn(0, 0, 4, 4));
    const HWND page =
        CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
    SendMessageW(page, WM_SETFONT, reinterpret_cast<WPARAM>(not_a_font), FALSE);
    ASSERT_EQ(reinterpret_cast<HFONT>(SendMessageW(page, WM_GETFONT, 0, 0)), not_a_font);
    EXPECT_EQ(HeadingFont::Make(page).Get(), not_a_font);
    DestroyWindow(page);
    EXPECT_EQ(GetObjectType(not_a_font), static_cast<DWORD>(OBJ_REGION))
        << "the page's own object must not be deleted with the heading";
    DeleteObject(not_a_font);
}

}  // namespace
}  // namespace orvo::pages
