#pragma once
// How the stand-in remote-API library reaches the simulated handheld: one loopback TCP
// connection per call. The port comes from ROMWIZARD_SIM_RAPI, else from "rapi=PORT" in the
// file rapi-sim.txt next to the library, else the default port.
#include <windows.h>

#include <optional>
#include <string>

#include "common/wire.h"

namespace rig {

void SetLibraryModule(HMODULE module);
// Empty when the simulator cannot be reached.
std::optional<wire::Reply> CallSimulator(wire::Op op, std::uint32_t connection,
                                         std::vector<std::uint8_t> payload);
// Tells the simulator about a fault in the caller's use of the library (kept in its log).
void NoteToSimulator(const std::string& text);

}  // namespace rig
