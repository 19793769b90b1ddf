#pragma once
// Whether the handheld runs on mains power, asked over the remote API. An unreachable handheld is
// also the sign that it has left ActiveSync for its boot loader.

#include "platform/remote_api.h"

namespace orvo {

enum class PowerSource { Unreachable, Mains, NotMains };

PowerSource QueryPowerSource(RemoteApi& remote);

}  // namespace orvo
