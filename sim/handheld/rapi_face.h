#pragma once
// The handheld's remote-API face: one request of the stand-in library in, one reply out.
#include "../common/wire.h"
#include "handheld.h"

namespace rig {

// Error the library reports when the handheld is not (or no longer) connected.
inline constexpr std::uint32_t kNotConnected = 0x8007048F;

wire::Reply HandleRapi(Handheld& h, const wire::Request& request);

}  // namespace rig
