#pragma once
// romflash flash: the boot-loader road of an update, end to end, on a Linux PC; romflash
// identify: its first steps alone, which write nothing.

#include "bootlink/boot_link.h"
#include "platform/clock.h"

#include <ostream>
#include <string>

namespace orvo::romflash {

enum FlashExit : int {
    kUpdated = 0,
    kImageUnreadable = 1,
    kImageChecksumWrong = 2,
    kNoBootLoader = 3,
    kNoIdentity = 4,
    kImageRefused = 5,
    kUpdateFailed = 6,
    kImageTooLarge = 7,  // more than the load command can address
};

struct FlashOptions {
    std::string image;     // empty for identify
    PortCandidates ports;  // in the system's order; a kind without a path is not there
    bool verbose = false;  // the link's diagnostic texts on standard error
};

// The usual Linux devices of the four kinds: /dev/ttyS0, /dev/ttyUSB0, /dev/ttyUSB1, /dev/ttyS1.
PortCandidates DefaultLinuxPorts();
// The four kinds with no path; --port fills them in.
PortCandidates NoPorts();
// Sets the path of kind com1, usb1, usb2 or com2; false for another kind.
bool SetPort(PortCandidates& ports, const std::string& kind, const std::string& path);

// Every pause and time-out runs on `clock` (the wall clock in the shipped tool).
int FlashImage(const FlashOptions& options, const Clock& clock, std::ostream& out,
               std::ostream& err);

// Finds the boot loader, reads the handheld's identity through it and prints it; writes
// nothing to the flash. 0, kNoBootLoader or kNoIdentity.
int IdentifyHandheld(const FlashOptions& options, const Clock& clock, std::ostream& out,
                     std::ostream& err);

}  // namespace orvo::romflash
