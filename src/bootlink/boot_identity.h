#pragma once
// The handheld's identity read from its flash through the boot loader, in framed mode.

#include "bootlink/boot_link.h"

#include <string_view>

namespace orvo {

// An answer line that holds an identity record: "Orvo", "WBT" or "NBT", and a known language
// code.
bool IsIdentityRecord(std::string_view answer);

// Searches the three identity regions and fills ModelID, RomTypeCode, Lang and Version of
// state.Device. 1 when ModelID and Lang are not empty afterwards. 0 otherwise, after the
// Identification error page unless the link was stopped (no answer, or a failed send).
int ReadBootIdentity(BootLink& link);

}  // namespace orvo
