#include "pages/welcome_page.h"

#include <shellapi.h>

namespace orvo::pages {

namespace {

enum Control : int {
    kIntroduction = -1,
    kHeading = 1038,
    kBullets = 1073,
    kWarning = 1177,
    kWarningLabel = 1182,
    kAcknowledgement = 1179,
    kAcknowledgeBox = 1203,
    kReadmeButton = 1209,
    kContinueHint = 1074,
};

enum Text : int {
    kHeadingText = 11058,
    kIntroductionText = 11059,
    kBulletsText = 11060,
    kWarningText = 11149,
    kWarningLabelText = 11166,
    kAcknowledgementText = 11151,
    kReadmeText = 11182,
    kContinueHintText = 11039,
};

// Opens "readme.doc" from the program's folder in WordPad, maximised; errors are ignored.
void ShowReadme(const std::string& start_dir) {
    ShellExecuteA(nullptr, nullptr, "wordpad.exe", "readme.doc", start_dir.c_str(),
                  SW_SHOWMAXIMIZED);
}

}  // namespace

INT_PTR WelcomePage::Initialise() {
    SetPageTitle(dialog_, context_);
    SetText(dialog_, kHeading, context_, kHeadingText);
    SetText(dialog_, kIntroduction, context_, kIntroductionText);
    SetText(dialog_, kBullets, context_, kBulletsText);
    SetText(dialog_, kWarning, context_, kWarningText);
    SetText(dialog_, kWarningLabel, context_, kWarningLabelText);
    SetText(dialog_, kAcknowledgement, context_, kAcknowledgementText);
    SetText(dialog_, kReadmeButton, context_, kReadmeText);
    SetText(dialog_, kContinueHint, context_, kContinueHintText);
    SetText(dialog_, IDOK, context_, kWeiterText);
    SetText(dialog_, IDCANCEL, context_, kAbbrechenText);

    heading_font_ = HeadingFont::Make(dialog_);
    SetHeading(dialog_, kHeading, heading_font_);
    label_font_ = MakeWeightedPageFont(dialog_, FW_BOLD);
    if (label_font_) {
        SendDlgItemMessageW(dialog_, kWarningLabel, WM_SETFONT,
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
        case kAcknowledgeBox:
            EnableWindow(GetDlgItem(dialog_, IDOK),
                         IsDlgButtonChecked(dialog_, kAcknowledgeBox) == BST_CHECKED);
            break;
        case kReadmeButton:
            ShowReadme(context_.state.StartDir);
            break;
        case IDOK:
            EndDialog(dialog_, 0);
            break;
        case IDCANCEL:
            context_.WarningBrush.Reset();
            context_.state.ExitRequested = 1;
            EndDialog(dialog_, 1);
            break;
        default:
            break;
    }
}

}  // namespace orvo::pages
