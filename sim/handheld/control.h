#pragma once
// The control channel: one command a line, one reply line ("ok ..." or "error ..."), with which
// a test or a person acts as the user and the world around the handheld. `help` lists them.
#include <string>

#include "handheld.h"
#include "pty_ports.h"

namespace rig {

// Runs one command line; sets `quit` when the simulator is to end.
std::string RunControlCommand(Handheld& h, PtyPorts& ports, const std::string& line, bool& quit);

}  // namespace rig
