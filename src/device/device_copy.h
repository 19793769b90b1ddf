#pragma once
// Copies of PC files to the handheld over the remote API, inside a session the caller opened.

#include "device/device_services.h"

#include <string>
#include <string_view>

namespace orvo {

// Copies in 256-byte blocks, replacing the handheld's file. A file the handheld already holds
// and will not replace (it exists, or is in use as a loaded library is) counts as copied.
// 1 copied or present, 0 failed.
int CopyFileToDevice(DeviceServices& services, const std::string& pc_path,
                     std::u16string_view device_path);

// Copies in 4,096-byte blocks as a hidden file, moving the bar of the progress page shown last
// from 0 to the file's size. An existing target is first moved to "\Temp\" + `aside_name`, or
// deleted when that is the target itself. 1 copied, 0 failed.
int CopyFileToDeviceWithProgress(DeviceServices& services, const std::string& pc_path,
                                 const std::string& device_path, const std::string& aside_name);

}  // namespace orvo
