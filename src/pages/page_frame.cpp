#include "pages/page_frame.h"

#include "platform/win32/centre_window.h"
#include "platform/win32/win32_code_page.h"

namespace orvo::pages {

HeadingFont HeadingFont::Make(HWND page) {
    HeadingFont heading;
    auto page_font = reinterpret_cast<HFONT>(SendMessageW(page, WM_GETFONT, 0, 0));
    if (page_font == nullptr) {
        heading.owned_.Reset(CreateFontW(13, 0, 0, 0, 200, FALSE, FALSE, FALSE, 0,
                                         OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                         VARIABLE_PITCH | FF_SWISS, L""));
        heading.font_ = heading.owned_.Get();
        return heading;
    }
    LOGFONTW description{};
    if (GetObjectW(page_font, sizeof description, &description) == 0) {
        heading.font_ = page_font;
        return heading;
    }
    description.lfHeight = 17;
    description.lfWeight = 900;
    lstrcpynW(description.lfFaceName, L"Arial", LF_FACESIZE);
    heading.owned_.Reset(CreateFontIndirectW(&description));
    heading.font_ = heading.owned_.Get();
    return heading;
}

void SetPageTitle(HWND page, const PageContext& context) {
    SetWindowTextW(page, context.catalogue.Text(IDS_CAPTION).c_str());
}

void SetText(HWND page, int control, const PageContext& context, int string_id) {
    SetDlgItemTextW(page, control, context.catalogue.Text(string_id).c_str());
}

void SetFixedTexts(HWND page, const PageContext& context, std::span<const PageText> texts) {
    for (const PageText& entry : texts) {
        if (entry.form == TextForm::Fixed) SetText(page, entry.control, context, entry.text);
    }
}

std::wstring FromAnsi(std::string_view text) {
    const std::u16string wide = win32::Win32AnsiCodePage().ToUtf16(text);
    return std::wstring(wide.begin(), wide.end());
}

void SetLabelledText(HWND page, const PageContext& context, const PageText& entry,
                     std::wstring_view value) {
    std::wstring text = context.catalogue.Text(entry.text);
    text += L' ';
    text += value;
    SetDlgItemTextW(page, entry.control, text.c_str());
}

int HeadingControl(std::span<const PageText> texts) {
    for (const PageText& entry : texts) {
        if (entry.style == TextStyle::Heading) return entry.control;
    }
    return 0;
}

bool IsWarningText(std::span<const PageText> texts, int control) {
    for (const PageText& entry : texts) {
        if (entry.control == control && entry.style == TextStyle::Warning) return true;
    }
    return false;
}

void SetHeading(HWND page, int control, const HeadingFont& font) {
    SendDlgItemMessageW(page, control, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), TRUE);
}

win32::OwnedFont MakeWeightedPageFont(HWND page, LONG weight) {
    auto page_font = reinterpret_cast<HFONT>(SendMessageW(page, WM_GETFONT, 0, 0));
    LOGFONTW description{};
    if (page_font == nullptr || GetObjectW(page_font, sizeof description, &description) == 0) {
        return win32::OwnedFont();
    }
    description.lfWeight = weight;
    return win32::OwnedFont(CreateFontIndirectW(&description));
}

void MakeWarningBrush(PageContext& context) {
    context.WarningBrush.Reset(CreateSolidBrush(GetSysColor(COLOR_SCROLLBAR)));
}

INT_PTR WarningTextColours(HDC dc, const PageContext& context) {
    SetTextColor(dc, RGB(255, 0, 0));
    SetBkColor(dc, GetSysColor(COLOR_SCROLLBAR));
    return reinterpret_cast<INT_PTR>(context.WarningBrush.Get());
}

void PaintPicture(HWND page, HDC picture_dc, HBITMAP picture) {
    PAINTSTRUCT paint{};
    HDC target = BeginPaint(page, &paint);
    BITMAP size{};
    if (picture_dc != nullptr && picture != nullptr && GetObjectW(picture, sizeof size, &size)) {
        BitBlt(target, 10, 10, size.bmWidth, size.bmHeight, picture_dc, 0, 0, SRCCOPY);
    }
    EndPaint(page, &paint);
}

void CentreAndShowInFront(HWND page) {
    win32::CentreWindow(page);
    SetForegroundWindow(page);
}

}  // namespace orvo::pages
