#pragma once
// Sichern on the Options page: the save dialog with the default backup name, the warning for a
// file that exists, and the room for the backup where the file goes.

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/ui.h"
#include "shell/wizard_state.h"

#include <cstdint>
#include <functional>
#include <string>

namespace orvo {

// What a backup needs free for the caller where its file goes: 48 MB.
inline constexpr std::uint64_t kBackupFreeBytes = 50'331'648;

struct BackupFileChoice {
    Ui& ui;
    Files& files;
    Registry& registry;                                 // GetWindowsFamily
    std::function<void(bool shown)> show_options_page;  // hides / shows the Options page
};

// The folder both file dialogs open in, by the Windows family; handed to the dialog as it
// stands (the dialog expands nothing).
std::string ImageDialogFolder(Registry& registry);

// "ORVOROM" followed by the first, third and fourth characters of the handheld's version (the
// version without its point), as far as it has them.
std::string DefaultBackupName(const std::string& version);

// Sichern: true when BackupPath holds the chosen file (the page then ends with 1000).
bool ChooseBackupFile(WizardState& state, const BackupFileChoice& choice);

}  // namespace orvo
