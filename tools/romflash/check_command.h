#pragma once
// romflash check IMAGE: prints the header fields, the payload length and the recomputed
// checksum, and says whether the image is intact.

#include <ostream>
#include <string>

namespace orvo::romflash {

enum CheckExit : int {
    kIntact = 0,
    kUnreadable = 1,     // missing, unreadable, or shorter than the 32-byte header
    kChecksumWrong = 2,  // also when the header's checksum text is not hexadecimal
};

int CheckImage(const std::string& path, std::ostream& out, std::ostream& err);

}  // namespace orvo::romflash
