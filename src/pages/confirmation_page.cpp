#include "pages/confirmation_page.h"

namespace orvo::pages {

void ConfirmationPage::Start() {
    SetLabelled(IDC_CONFIRM_DEVICE_VERSION, FromAnsi(context_.state.Device.Version));
    SetLabelled(IDC_CONFIRM_IMAGE_VERSION, FromAnsi(context_.state.Image.Version));
    AfterPaint();
}

bool ConfirmationPage::Command(int control) {
    // A disabled Zurück cannot be pressed; a command sent to it anyway is refused as well.
    return control == IDC_BACK && !BackAllowed();
}

void ConfirmationPage::AfterPaint() {
    if (!BackAllowed()) EnableWindow(GetDlgItem(dialog_, IDC_BACK), FALSE);
}

}  // namespace orvo::pages
