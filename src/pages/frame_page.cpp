#include "pages/frame_page.h"

namespace orvo::pages {

void OwnPicture::Load(HINSTANCE instance, int bitmap) {
    screen_.Reset(CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr));
    memory_.Reset(CreateCompatibleDC(screen_.Get()));
    bitmap_.Reset(LoadBitmapW(instance, MAKEINTRESOURCEW(bitmap)));
    if (memory_ && bitmap_) SelectObject(memory_.Get(), bitmap_.Get());
}

INT_PTR FramePage::Initialise() {
    SetPageTitle(dialog_, context_);
    SetFixedTexts(dialog_, context_, spec_.texts);
    if (const int heading = HeadingControl(spec_.texts)) {
        heading_font_ = HeadingFont::Make(dialog_);
        SetHeading(dialog_, heading, heading_font_);
    }
    for (const PageText& entry : spec_.texts) {
        if (entry.style != TextStyle::Bold) continue;
        if (!bold_font_) bold_font_ = MakeWeightedPageFont(dialog_, FW_BOLD);
        if (bold_font_) {
            SendDlgItemMessageW(dialog_, entry.control, WM_SETFONT,
                                reinterpret_cast<WPARAM>(bold_font_.Get()), TRUE);
        }
    }
    if (spec_.brush != BrushUse::None) MakeWarningBrush(context_);
    if (spec_.picture == Picture::Keys) own_picture_.Load(context_.hInst, IDB_KEYS_PICTURE);
    Start();
    CentreAndShowInFront(dialog_);
    return TRUE;
}

INT_PTR FramePage::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_PAINT:
            if (spec_.picture == Picture::Keys) {
                PaintPicture(dialog_, own_picture_.Context(), own_picture_.Bitmap());
            } else {
                PaintPicture(dialog_, context_.display.hPictureDC.Get(),
                             context_.display.LeftPicture.Get());
            }
            AfterPaint();
            return TRUE;
        case WM_CTLCOLORSTATIC:
            return StaticColours(reinterpret_cast<HDC>(wparam),
                                 GetDlgCtrlID(reinterpret_cast<HWND>(lparam)));
        case WM_COMMAND: {
            const int control = LOWORD(wparam);
            if (Command(control)) return TRUE;
            for (const PageButton& button : spec_.buttons) {
                if (button.control != control) continue;
                if (button.flag != nullptr) (context_.state.*button.flag) = 1;
                if (button.deletes_warning_brush) context_.WarningBrush.Reset();
                End(button.result);
                return TRUE;
            }
            // Commands of buttons the page lacks (the close box where the exit button has
            // another ID) do nothing.
            return TRUE;
        }
        default:
            return FALSE;
    }
}

INT_PTR FramePage::StaticColours(HDC dc, int control) {
    if (IsWarningText(spec_.texts, control)) return WarningTextColours(dc, context_);
    return FALSE;
}

void FramePage::End(int result) {
    if (spec_.brush == BrushUse::MakeAndDelete) context_.WarningBrush.Reset();
    EndDialog(dialog_, result);
}

void FramePage::SetLabelled(int control, std::wstring_view value) {
    for (const PageText& entry : spec_.texts) {
        if (entry.control == control && entry.form == TextForm::Labelled) {
            SetLabelledText(dialog_, context_, entry, value);
        }
    }
}

void FramePage::SetNumber(int control, long long number) {
    for (const PageText& entry : spec_.texts) {
        if (entry.control == control && entry.form == TextForm::Number) {
            const std::wstring text =
                std::to_wstring(number) + L" " + context_.catalogue.Text(entry.text);
            SetDlgItemTextW(dialog_, control, text.c_str());
        }
    }
}

}  // namespace orvo::pages
