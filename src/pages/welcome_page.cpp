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

bool WelcomePage::Command(int control) {
    switch (control) {
        case IDC_WELCOME_ACKNOWLEDGE_BOX:
            EnableWindow(GetDlgItem(dialog_, IDC_FORWARD),
                         IsDlgButtonChecked(dialog_, IDC_WELCOME_ACKNOWLEDGE_BOX) == BST_CHECKED);
            return true;
        case IDC_WELCOME_README:
            ShowReadme(context_.state.StartDir);
            return true;
        default:
            return false;
    }
}

}  // namespace orvo::pages
