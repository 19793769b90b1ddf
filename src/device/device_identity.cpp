#include "device/device_identity.h"

namespace orvo {

std::string IdentityText(const DeviceIdentity& identity) {
    std::string text = identity.ModelID + identity.RomTypeCode + identity.Lang + identity.Version;
    if (text.size() > kIdentityTextRoom) text.resize(kIdentityTextRoom);
    return text;
}

}  // namespace orvo
