#include "image/choose_backup_file.h"

#include "activesync/activesync_registry.h"

namespace orvo {
namespace {

// The File-exists warning's Abbrechen: choose another name.
constexpr int kOtherNameAnswer = 2;

FileDialog SaveDialog(Registry& registry) {
    return {FileDialog::Kind::Save, ImageDialogFolder(registry)};
}

}  // namespace

std::string ImageDialogFolder(Registry& registry) {
    return GetWindowsFamily(registry) != kOtherWindows ? "%USERPROFILE%\\Eigene Dateien"
                                                       : "c:\\Eigene Dateien";
}

std::string DefaultBackupName(const std::string& version) {
    std::string name = "ORVOROM";
    for (std::size_t index : {0u, 2u, 3u}) {
        if (index >= version.size()) break;
        name += version[index];
    }
    return name;
}

bool ChooseBackupFile(WizardState& state, const BackupFileChoice& choice) {
    Ui& ui = choice.ui;
    const FileDialog dialog = SaveDialog(choice.registry);
    std::string path = DefaultBackupName(state.Device.Version);
    if (!ui.ShowFileDialog(dialog, path)) return false;

    while (choice.files.Exists(path)) {
        choice.show_options_page(false);
        const int answer = ui.OpenPage(Page::FileExistsWarning);
        if (ui.CloseRequested()) return false;
        // Weiter replaces the file; the Options page stays hidden until it ends.
        if (answer != kOtherNameAnswer) break;
        choice.show_options_page(true);
        if (!ui.ShowFileDialog(dialog, path)) return false;
    }

    // Measured in the folder that will hold the file; a volume that cannot be asked is refused.
    const std::optional<std::uint64_t> free_bytes = choice.files.FreeBytesForCaller(path);
    if (!free_bytes || *free_bytes < kBackupFreeBytes) {
        choice.show_options_page(false);
        ui.OpenPage(Page::BackupSpaceError);
        choice.show_options_page(true);
        return false;
    }
    state.BackupPath = path;
    return true;
}

}  // namespace orvo
