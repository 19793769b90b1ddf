#include "pages/options_page.h"

#include "image/choose_backup_file.h"
#include "image/language_names.h"

namespace orvo::pages {

OptionsPage::~OptionsPage() { context_.hOptionsPage = nullptr; }

void OptionsPage::Start() {
    const DeviceIdentity& device = context_.state.Device;
    SetLabelled(IDC_OPTIONS_MODEL, FromAnsi(device.ModelID));
    SetLabelled(IDC_OPTIONS_VERSION, FromAnsi(device.Version));
    SetLabelled(IDC_OPTIONS_LANGUAGE, context_.catalogue.Text(LanguageNameText(device.Language)));
    context_.hOptionsPage = dialog_;
}

bool OptionsPage::Command(int control) {
    if (control != IDC_OPTIONS_BACKUP) return false;
    // Sichern ends the page only once a backup file is chosen.
    if (context_.device != nullptr && context_.files != nullptr && context_.registry != nullptr) {
        const BackupFileChoice choice{
            context_.device->ui, *context_.files, *context_.registry,
            [this](bool shown) { ShowWindow(dialog_, shown ? SW_SHOW : SW_HIDE); }};
        if (ChooseBackupFile(context_.state, choice)) End(kOptionsBackup);
    }
    return true;
}

}  // namespace orvo::pages
