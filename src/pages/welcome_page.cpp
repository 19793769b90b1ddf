#include "pages/welcome_page.h"

#include <shellapi.h>

namespace orvo::pages {

namespace {

// Opens "readme.doc" from the program's folder in WordPad, maximised; errors are ignored.
void ShowReadme(const std::string& start_dir) {
    ShellExecuteA(nullptr, nullptr, "wordpad.exe", "readme.doc", start_dir.c_str(),
                  SW_SHOWMAXIMIZED);
}

}  // namespace

INT_PTR WelcomePage::Initialise() {
    SetPageTitle(dialog_, context_);
    SetFixedTexts(dialog_, context_, kWelcomeTexts);

    heading_font_ = HeadingFont::Make(dialog_);
    SetHeading(dialog_, HeadingControl(kWelcomeTexts), heading_font_);
    label_font_ = MakeWeightedPageFont(dialog_, FW_BOLD);
    if (label_font_) {
        SendDlgItemMessageW(dialog_, IDC_WELCOME_WARNING_LABEL, WM_SETFONT,
                            reinterpret_cast<WPARAM>(label_font_.Get()), TRUE);
    }
    CentreAndShowInFront(dialog_);
    return TRUE;
}

INT_PTR WelcomePage::Handle(UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
        case WM_PAINT:
            PaintPicture(dialog_, context_.display.hPictureDC.Get(),
                         context_.display.LeftPicture.Get());
            return TRUE;
        case WM_COMMAND:
            OnCommand(LOWORD(wparam));
            return TRUE;
        default:
            return FALSE;
    }
}

void WelcomePage::OnCommand(int control) {
    switch (control) {
        case IDC_WELCOME_ACKNOWLEDGE_BOX:
            EnableWindow(GetDlgItem(dialog_, IDC_FORWARD),
                         IsDlgButtonChecked(dialog_, IDC_WELCOME_ACKNOWLEDGE_BOX) == BST_CHECKED);
            break;
        case IDC_WELCOME_README:
            ShowReadme(context_.state.StartDir);
            break;
        case IDC_FORWARD:
            EndDialog(dialog_, 0);
            break;
        case IDC_CANCEL:
            context_.WarningBrush.Reset();
            context_.state.ExitRequested = 1;
            EndDialog(dialog_, 1);
            break;
        default:
            break;
    }
}

}  // namespace orvo::pages
