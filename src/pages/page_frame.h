#pragma once
// What all pages share: caption, texts from the catalogue, the heading font, the left-hand
// picture, red warning texts, centring and the page's life as an object behind its dialog.

#include "pages/page_context.h"
#include "resources/resource_ids.h"

#include <memory>
#include <span>
#include <string_view>

namespace orvo::pages {

// How a page shows a text: in the page font, as its heading, in bold, or as a red warning.
enum class TextStyle { Plain, Heading, Bold, Warning };

// How a control's text is made: the catalogue text itself; the catalogue text as a label, a
// blank and a value of this run ("%s %s"); a number of this run, a blank and the catalogue text
// ("%d %s"); or one of the texts listed for the same control, chosen when the page opens.
enum class TextForm { Fixed, Labelled, Number, Chosen };

// One control of a page and the catalogue text it shows. Each page states all its texts as one
// table of these.
struct PageText {
    int control;
    int text;
    TextStyle style = TextStyle::Plain;
    TextForm form = TextForm::Fixed;
};

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
// Sets every fixed text of the table; labelled and chosen texts are the page's to set.
void SetFixedTexts(HWND page, const PageContext& context, std::span<const PageText> texts);
// A text of the handheld or of an image header, from the PC's ANSI code page.
std::wstring FromAnsi(std::string_view text);
// "%s %s": the entry's catalogue text, a blank and the value.
void SetLabelledText(HWND page, const PageContext& context, const PageText& entry,
                     std::wstring_view value);
// The control of the table's heading, or 0 when the page has none.
int HeadingControl(std::span<const PageText> texts);
// Whether the control shows a red warning text.
bool IsWarningText(std::span<const PageText> texts, int control);
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
    if (message == WM_COMMAND && LOWORD(wparam) == IDC_FORWARD) {
        HWND forward = GetDlgItem(dialog, IDC_FORWARD);
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
