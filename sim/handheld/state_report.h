#pragma once
// The handheld's state as one line of JSON: mode, identity, power, clock, ports, flash (SHA-256
// and the ranges written), screen rows, files, remote-API calls, what the boot loader received,
// the backup program, and the faults seen in what the PC did.
#include <string>
#include <vector>

#include "handheld.h"
#include "pty_ports.h"

namespace rig {

std::string StateJson(Handheld& h, const std::vector<PortInfo>& ports);

}  // namespace rig
