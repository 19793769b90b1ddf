#pragma once
// The reader thread of the boot-loader link: cuts what the boot loader sends into lines and the
// two request bytes, and turns them into events, stored answers and the start of a download.

#include "bootlink/boot_link.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace orvo {

// Room of the pending text, terminating zero included.
inline constexpr std::size_t kReceiveTextRoom = 1000;

// The value of the key `key` (":A=" and the like) in `line`: what follows it up to a carriage
// return or backspace, or to the end of the line.
std::string KeyValue(std::string_view line, std::string_view key);

// Acts on one line received while no download runs: the keys, the start of a download, the
// answer line and the port-test answer.
void ApplyLineRules(BootLink& link, std::string_view line);

// The reader thread's procedure; started by OpenBootPort on link.reader.
void USBReadThread(BootLink& link);

}  // namespace orvo
