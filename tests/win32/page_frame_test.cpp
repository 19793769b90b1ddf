// The page frame's heading font, falling back to the page's own font, leaves that font alive.
// (A replaced warning brush released: the page tests.)

#include "pages/page_frame.h"

#include <gtest/gtest.h>

namespace orvo::pages {
namespace {

LRESULT CALLBACK AnswerChosenFont(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_GETFONT) return GetWindowLongPtrW(window, GWLP_USERDATA);
    return DefWindowProcW(window, message, wparam, lparam);
}

// A window whose WM_GETFONT answer the test chooses, standing in for a page.
class FontHolder {
  public:
    explicit FontHolder(HFONT answer) {
        static const ATOM window_class = [] {
            WNDCLASSW wc{};
            wc.lpfnWndProc = AnswerChosenFont;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"FontHolder";
            return RegisterClassW(&wc);
        }();
        EXPECT_NE(window_class, 0);
        window_ = CreateWindowW(L"FontHolder", L"", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
        SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(answer));
    }
    ~FontHolder() { DestroyWindow(window_); }
    HWND Get() const { return window_; }

  private:
    HWND window_;
};

TEST(HeadingFont, FallsBackToThePageFontItselfAndLeavesItAlive) {
    // A region is a GDI object that cannot be described like a font.
    auto not_a_font = reinterpret_cast<HFONT>(CreateRectRgn(0, 0, 4, 4));
    {
        FontHolder page(not_a_font);
        HeadingFont heading = HeadingFont::Make(page.Get());
        EXPECT_EQ(heading.Get(), not_a_font);
    }
    EXPECT_EQ(GetObjectType(not_a_font), static_cast<DWORD>(OBJ_REGION))
        << "the page's own object must not be deleted with the heading";
    DeleteObject(not_a_font);
}

}  // namespace
}  // namespace orvo::pages
