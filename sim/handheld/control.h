#pragma once
// The control channel: one command a line, one reply line ("ok ..." or "error ..."), with which
// a test or a person acts as the user and the world around the handheld. `help` lists them.
#include <string>
#include <vector>

#include "handheld.h"
#include "pty_ports.h"

namespace rig {

// What one control connection holds: its ports are released when it ends.
struct ControlSession {
    std::vector<std::string> holds;
};

// Runs one command line; sets `quit` when the simulator is to end.
std::string RunControlCommand(Handheld& h, PtyPorts& ports, ControlSession& session,
                              const std::string& line, bool& quit);
void EndControlSession(Handheld& h, ControlSession& session);

}  // namespace rig
