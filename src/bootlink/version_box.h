#pragma once
// The box of asterisks drawn on the handheld's screen after an update, with the version of the
// ROM just written in its middle row.

#include "bootlink/boot_link.h"

namespace orvo {

// Sends the 16 screen messages (plain commands) with their pauses; 1 when every one went out.
// The version is that of the image header read last.
int DrawVersionBox(BootLink& link);

}  // namespace orvo
