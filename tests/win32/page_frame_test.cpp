#include "pages/page_frame.h"
#include "platform/win32/centre_window.h"

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

LOGFONTW Describe(HFONT font) {
    LOGFONTW description{};
    EXPECT_NE(GetObjectW(font, sizeof description, &description), 0);
    return description;
}

TEST(HeadingFont, IsThePageFontEnlargedAndBlackInArial) {
    LOGFONTW page_description{};
    page_description.lfHeight = -11;
    page_description.lfWeight = FW_NORMAL;
    page_description.lfCharSet = EASTEUROPE_CHARSET;
    page_description.lfItalic = TRUE;
    lstrcpyW(page_description.lfFaceName, L"Tahoma");
    win32::OwnedFont page_font(CreateFontIndirectW(&page_description));
    FontHolder page(page_font.Get());

    HeadingFont heading = HeadingFont::Make(page.Get());
    ASSERT_NE(heading.Get(), nullptr);
    EXPECT_NE(heading.Get(), page_font.Get());
    const LOGFONTW made = Describe(heading.Get());
    EXPECT_EQ(made.lfHeight, 17);
    EXPECT_EQ(made.lfWeight, 900);
    EXPECT_STREQ(made.lfFaceName, L"Arial");
    EXPECT_EQ(made.lfCharSet, EASTEUROPE_CHARSET) << "everything else is kept";
    EXPECT_TRUE(made.lfItalic);
}

TEST(HeadingFont, WithoutAPageFontIsALightSwissFont) {
    FontHolder page(nullptr);
    HeadingFont heading = HeadingFont::Make(page.Get());
    const LOGFONTW made = Describe(heading.Get());
    EXPECT_EQ(made.lfHeight, 13);
    EXPECT_EQ(made.lfWeight, 200);
    EXPECT_EQ(made.lfPitchAndFamily, VARIABLE_PITCH | FF_SWISS);
}

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

class WarningBrushTest : public ::testing::Test {
  protected:
    MessageCatalogue catalogue;
    WizardState state;
    DisplayResources display;
    PageContext context{
        .catalogue = catalogue, .state = state, .display = display, .WarningBrush = {}};
};

TEST_F(WarningBrushTest, ALaterPageReplacesTheBrush) {
    MakeWarningBrush(context);
    HBRUSH first = context.WarningBrush.Get();
    MakeWarningBrush(context);
    HBRUSH second = context.WarningBrush.Get();
    EXPECT_NE(first, second);
    EXPECT_EQ(GetObjectType(first), 0u) << "the replaced brush is released";
    LOGBRUSH description{};
    ASSERT_NE(GetObjectW(second, sizeof description, &description), 0);
    EXPECT_EQ(description.lbColor, GetSysColor(COLOR_SCROLLBAR));
}

TEST_F(WarningBrushTest, WarningTextsAreRedOnTheScrollBarColour) {
    MakeWarningBrush(context);
    win32::OwnedDC dc(CreateCompatibleDC(nullptr));
    const INT_PTR answer = WarningTextColours(dc.Get(), context);
    EXPECT_EQ(answer, reinterpret_cast<INT_PTR>(context.WarningBrush.Get()));
    EXPECT_EQ(GetTextColor(dc.Get()), RGB(255, 0, 0));
    EXPECT_EQ(GetBkColor(dc.Get()), GetSysColor(COLOR_SCROLLBAR));
}

TEST(CentreWindow, CentresOnThePrimaryScreenKeepingTheSize) {
    HWND window = CreateWindowW(L"STATIC", L"", WS_POPUP, 3, 5, 200, 100, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    win32::CentreWindow(window);
    RECT rect{};
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.right - rect.left, 200);
    EXPECT_EQ(rect.bottom - rect.top, 100);
    EXPECT_EQ(rect.left, (GetSystemMetrics(SM_CXSCREEN) - 200) / 2);
    EXPECT_EQ(rect.top, (GetSystemMetrics(SM_CYSCREEN) - 100) / 2);
    DestroyWindow(window);
}

}  // namespace
}  // namespace orvo::pages
