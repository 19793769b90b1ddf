// romflash: the ROM image tool for Linux.

#include "check_command.h"

#include <iostream>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kUsageError = 64;

constexpr char kHelp[] =
    R"(Usage: romflash COMMAND [ARGUMENTS]

Works on ROM image files (.nbf) of the Orvo 4700 handheld: a 32-byte text header
(model, ROM type, language code, version, checksum in hexadecimal) and the ROM
contents after it.

Commands:
  check IMAGE   Print the header fields, the payload length and the checksum
                recomputed over header bytes 0-21 and the payload, and say
                whether the image is intact.
                Exit status: 0 intact; 2 checksum wrong (also when the
                header's checksum text is not hexadecimal); 1 the file cannot
                be read (missing, unreadable, or shorter than the 32-byte
                header).
  --help        Show this text.

Exit status 64: the command line is not understood.
)";

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h" || args[0] == "help")) {
        std::cout << kHelp;
        return 0;
    }
    if (args.size() == 2 && args[0] == "check") {
        return orvo::romflash::CheckImage(std::string(args[1]), std::cout, std::cerr);
    }
    std::cerr << "romflash: the command line is not understood\n\n" << kHelp;
    return kUsageError;
}
