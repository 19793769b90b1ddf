#include "device/power_source.h"

namespace orvo {

PowerSource QueryPowerSource(RemoteApi& remote) {
    const std::optional<std::uint8_t> line = remote.PowerLineStatus();
    if (!line) return PowerSource::Unreachable;
    return *line == 1 ? PowerSource::Mains : PowerSource::NotMains;
}

}  // namespace orvo
