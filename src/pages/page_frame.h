#pragma once
// What all pages share: caption, texts from the catalogue, the heading font, the left-hand
// picture, red warning texts, centring and the page's life as an object behind its dialog.

#include "pages/page_context.h"

#include <memory>

namespace orvo::pages {

inline constexpr int kCaptionText = 11035;
inline constexpr int kWeiterText = 11012;
inline constexpr int kAbbrechenText = 11011;
inline constexpr int kBeendenText = 11048;

// The font of a page's heading. When the page font cannot be described, the page font itself is
// used, and then it is not the page's to delete.
class HeadingFont {
  public:
    HeadingFont() = default;
    static HeadingFont Make(HWND page);
    HFONT Get() const { return font_; }

  private:
    HFONT font_ = nullptr;
    win32::OwnedFont owned_;
};

void SetPageTitle(HWND page, const PageContext& context);
void SetText(HWND page, int control, const PageContext& context, int string_id);
void SetHeading(HWND page, int control, const HeadingFont& font);
// The page font with another weight, for bold labels.
win32::OwnedFont MakeWeightedPageFont(HWND page, LONG weight);
// Makes the shared brush of red warning texts (the scroll-bar colour), replacing the one before.
void MakeWarningBrush(PageContext& context);
// Colours a warning text red on the scroll-bar colour; the result is the control-colour answer.
INT_PTR WarningTextColours(HDC dc, const PageContext& context);
// Copies a picture selected into a memory context to the page at (10, 10).
void PaintPicture(HWND page, HDC picture_dc, HBITMAP picture);
// Centres the page and brings it in front of other programs' windows.
void CentreAndShowInFront(HWND page);

// Creates the page object on WM_INITDIALOG (the dialog parameter is the PageContext) and destroys
// it with the window; every other message goes to the object's Handle.
template <typename PageType>
INT_PTR CALLBACK PageProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) {
        auto page = std::make_unique<PageType>(dialog, *reinterpret_cast<PageContext*>(lparam));
        SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(page.get()));
        return page.release()->Initialise();
    }
    auto* page = reinterpret_cast<PageType*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (page == nullptr) return FALSE;
    // The dialog manager turns Enter into IDOK even while a disabled Weiter is the default
    // button; a page goes forward only by an enabled Weiter.
    if (message == WM_COMMAND && LOWORD(wparam) == IDOK) {
        HWND forward = GetDlgItem(dialog, IDOK);
        if (forward != nullptr && !IsWindowEnabled(forward)) return TRUE;
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(dialog, DWLP_USER, 0);
        delete page;
        return FALSE;
    }
    return page->Handle(message, wparam, lparam);
}

}  // namespace orvo::pages
