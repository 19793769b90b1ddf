#include "pages/incompatible_image_page.h"

#include "image/language_names.h"

namespace orvo::pages {

void IncompatibleImagePage::Start() {
    const WizardState& state = context_.state;
    const int device_language = DeviceLanguageNameText(state.Device.Lang);
    SetLabelled(IDC_DEVICE_MODEL_ROW, FromAnsi(state.Device.ModelID));
    SetLabelled(IDC_DEVICE_VERSION_ROW, FromAnsi(state.Device.Version));
    // A code without a name shows as it is, never another row's text.
    SetLabelled(IDC_DEVICE_LANGUAGE_ROW, device_language != 0
                                             ? context_.catalogue.Text(device_language)
                                             : FromAnsi(state.Device.Lang));
    SetLabelled(IDC_IMAGE_MODEL_ROW, FromAnsi(state.Image.ModelID));
    SetLabelled(IDC_IMAGE_VERSION_ROW, FromAnsi(state.Image.Version));
    SetLabelled(IDC_IMAGE_LANGUAGE_ROW,
                context_.catalogue.Text(LanguageNameText(state.Image.ImageLanguageName)));
}

bool IncompatibleImagePage::Command(int control) {
    if (control == IDC_CANCEL || control == IDC_FORWARD) {
        context_.state.RomVersionMismatch = 0;
        context_.state.ImageModelMismatch = 0;
        context_.state.ImageLanguageMismatch = 0;
    }
    return false;
}

bool IncompatibleImagePage::Marked(int control) const {
    const WizardState& state = context_.state;
    switch (control) {
        case IDC_DEVICE_MODEL_ROW:
        case IDC_IMAGE_MODEL_ROW:
            return state.ImageModelMismatch == 1;
        case IDC_DEVICE_VERSION_ROW:
        case IDC_IMAGE_VERSION_ROW:
            return state.RomVersionMismatch == 1;
        case IDC_DEVICE_LANGUAGE_ROW:
        case IDC_IMAGE_LANGUAGE_ROW:
            return state.ImageLanguageMismatch == 1;
        default:
            return false;
    }
}

INT_PTR IncompatibleImagePage::StaticColours(HDC dc, int control) {
    if (!Marked(control)) return FALSE;
    SetBkColor(dc, RGB(255, 0, 0));
    return reinterpret_cast<INT_PTR>(context_.WarningBrush.Get());
}

}  // namespace orvo::pages
