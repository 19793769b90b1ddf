#pragma once
// The backup through ActiveSync: a program started on the handheld leaves the ROM in chunks in
// "\Temp\image.nb"; each is fetched, appended to the backup file and deleted, which lets the
// program write the next. The header goes in front once the whole ROM has arrived.

#include "device/device_services.h"
#include "shell/wizard_state.h"

#include <cstddef>
#include <cstdint>

namespace orvo {

inline constexpr std::size_t kBackupChunkBytes = 0x40000;
inline constexpr std::uint32_t kBackupImageBytes = 0x1F00000;
inline constexpr int kBackupPollLimit = 501;

// The Backup progress page's worker. It ends the page with 1 once state.BackupPath holds the
// whole backup, and with 2 when the file cannot be created or written (an earlier file there is
// then kept as it was); when the handheld's program cannot be started or stops delivering, it
// leaves the page shrunk and ends the program.
void BackupThread(WizardState& state, DeviceServices& services);

}  // namespace orvo
