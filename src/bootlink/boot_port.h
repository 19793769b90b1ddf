#pragma once
// Finds the handheld's boot loader: tries the four port candidates in their order, twice over,
// and keeps the first port that echoes its test text, with its reader running.

#include "bootlink/boot_link.h"

namespace orvo {

// 1 when a port passed its test: hPort open, the reader running, LinkStop 0, SerialLink set.
// 0 after 8 failed attempts, with no port open.
int OpenBootPort(BootLink& link);

}  // namespace orvo
