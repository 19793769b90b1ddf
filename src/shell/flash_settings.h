#pragma once
// The settings record that makes a broken-off update resumable: written when a download starts,
// deleted when it completes or the handheld is found running normally. Registry failures are
// silent.

#include "platform/registry.h"
#include "shell/wizard_state.h"

#include <cstddef>

namespace orvo {

inline constexpr char kSettingsParentPath[] = "Software";
inline constexpr char kSettingsKeyName[] = "FlashUtility";
inline constexpr char kSettingsKeyPath[] = "Software\\FlashUtility";

// The room LoadFlashSettings gives each value while it enumerates them.
inline constexpr std::size_t kSettingsNameRoom = 100;
inline constexpr std::size_t kSettingsDataRoom = 260;

// Records the update: "Flash", "Language", "ModelID", "Lang", "Version", "USB", "FlashFile".
void SaveFlashSettings(const WizardState& state, Registry& registry);

// 1 when "Flash" exists and its first data byte is 1. A "FlashFile" that fits a path of 260
// characters with its terminating zero fills ImagePath and sets ImagePathFromSettings.
int LoadFlashSettings(WizardState& state, Registry& registry);

// Deletes the record; a missing one is no error.
void ClearFlashSettings(Registry& registry);

}  // namespace orvo
