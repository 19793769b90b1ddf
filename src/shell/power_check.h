#pragma once
// The test that the handheld runs on mains power before a long operation.

#include "platform/remote_api.h"
#include "platform/ui.h"

namespace orvo {

inline constexpr int kPowerStopped = 0;
inline constexpr int kPowerMains = 1;
inline constexpr int kPowerUnreadable = 2;

// kPowerMains on mains power, or when the user goes on at the Power warning page;
// kPowerStopped when the user stops there; kPowerUnreadable when the handheld does not answer.
int PowerCheck(RemoteApi& remote, Ui& ui);

}  // namespace orvo
