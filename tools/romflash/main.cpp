// romflash: the ROM image tool for Linux.

#include "check_command.h"
#include "flash_command.h"

#include <iostream>
#include <optional>
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
  flash [--verbose] [--port KIND=PATH]... IMAGE
                Update the handheld waiting in its boot loader with IMAGE: find
                the boot loader (KIND com1, usb1, usb2 or com2, tried in that
                order, each twice; without --port: /dev/ttyS0, /dev/ttyUSB0,
                /dev/ttyUSB1, /dev/ttyS1), read its identity, check the image's
                checksum, model, language and ROM type against it, write it in
                two downloads and draw its version on the handheld's screen. A
                progress line shows the image bytes written, the rate and the
                time left.
                --verbose shows the link's diagnostic texts on standard error.
                Exit status: 0 updated; 1 the image cannot be read; 2 its
                checksum is wrong; 3 no boot loader answered; 4 the identity
                was not found; 5 the image is not made for the handheld; 6 the
                download failed (the handheld must be updated again); 7 the
                image is larger than the load command can address.
  identify [--verbose] [--port KIND=PATH]...
                Find the boot loader as flash does and print the handheld's
                model, ROM type, language and version, read from its flash;
                nothing is written. Exit status: 0 printed; 3 no boot loader
                answered; 4 the identity was not found.
  --help        Show this text.

Exit status 64: the command line is not understood.
)";

// flash [--verbose] [--port KIND=PATH]... IMAGE, or identify without IMAGE.
std::optional<orvo::romflash::FlashOptions> ParseLinkOptions(
    const std::vector<std::string_view>& args, bool with_image) {
    orvo::romflash::FlashOptions options;
    options.ports = orvo::romflash::NoPorts();
    bool port_given = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "--verbose") {
            options.verbose = true;
        } else if (arg == "--port" && i + 1 < args.size()) {
            const std::string_view spec = args[++i];
            const std::size_t equals = spec.find('=');
            if (equals == std::string_view::npos || equals + 1 == spec.size() ||
                !orvo::romflash::SetPort(options.ports, std::string(spec.substr(0, equals)),
                                         std::string(spec.substr(equals + 1)))) {
                return std::nullopt;
            }
            port_given = true;
        } else if (with_image && i + 1 == args.size() && !arg.starts_with("--")) {
            options.image = arg;
        } else {
            return std::nullopt;
        }
    }
    if (with_image && options.image.empty()) return std::nullopt;
    if (!port_given) options.ports = orvo::romflash::DefaultLinuxPorts();
    return options;
}

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
    const bool flash = !args.empty() && args[0] == "flash";
    if (flash || (!args.empty() && args[0] == "identify")) {
        if (auto options = ParseLinkOptions(args, flash)) {
            const orvo::SystemClock clock;
            return flash ? orvo::romflash::FlashImage(*options, clock, std::cout, std::cerr)
                         : orvo::romflash::IdentifyHandheld(*options, clock, std::cout, std::cerr);
        }
    }
    std::cerr << "romflash: the command line is not understood\n\n" << kHelp;
    return kUsageError;
}
