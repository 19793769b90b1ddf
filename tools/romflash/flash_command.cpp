#include "flash_command.h"

#include "bootlink/boot_identity.h"
#include "bootlink/boot_port.h"
#include "bootlink/download.h"
#include "bootlink/link_commands.h"
#include "bootlink/version_box.h"
#include "image/image_checks.h"
#include "image/image_header.h"
#include "image/image_operations.h"
#include "image/language_table.h"
#include "platform/posix/posix_serial_port.h"
#include "platform/posix/stderr_log.h"
#include "counted_ports.h"
#include "printable.h"
#include "terminal_ui.h"

namespace orvo::romflash {
namespace {

using namespace std::chrono_literals;

constexpr const char* kKinds[] = {"com1", "usb1", "usb2", "com2"};

std::string PortList(const PortCandidates& ports) {
    std::string list;
    for (const PortCandidate& port : ports) {
        if (port.path.empty()) continue;
        list += (list.empty() ? "" : ", ") + port.path;
    }
    return list.empty() ? "no port" : list;
}

// Ends the progress page's watchdog before the link goes.
struct WatchdogEnd {
    TerminalUi& ui;
    ~WatchdogEnd() { ui.EndWatchdog(); }
};

// Why the link ended, once its threads have ended (so that no log line comes after it).
std::string EndCause(BootLink& link, const TerminalUi& ui, const char* otherwise) {
    link.End();
    std::string why = link.FailureCause();
    if (why.empty()) why = ui.Refusal();
    return Printable(why.empty() ? otherwise : why);
}

// The image bytes the two downloads send: the first from offset 0x80000 to the end, the second
// the 0x40000 bytes before it, each in whole blocks.
std::uint64_t UpdateImageBytes(std::uint64_t payload) {
    const auto blocks = [](std::uint64_t bytes) {
        return (bytes + BLOCK_LENGTH - 1) / BLOCK_LENGTH * BLOCK_LENGTH;
    };
    return (payload > 0x80000 ? blocks(payload - 0x80000) : 0) + blocks(0x40000);
}

// Finds the boot loader and reads the handheld's identity through it, leaving the progress
// page's watchdog running; 0 when it was read, else the exit status.
int FindAndIdentify(BootLink& link, TerminalUi& ui, const Clock& clock, std::ostream& out,
                    std::ostream& err) {
    const PortCandidates& ports = link.candidates;
    out << "Looking for the boot loader on " << PortList(ports) << "...\n" << std::flush;
    if (!OpenBootPort(link)) {
        err << "romflash: no boot loader answered on " << PortList(ports) << '\n';
        return kNoBootLoader;
    }
    WizardState& state = link.state;
    out << "Boot loader found on a " << (state.SerialLink == 1 ? "serial" : "USB") << " port\n";

    ui.BeginProgress(clock, [&link, &state] {
        state.ImageFileHandle.Close();
        link.WatchdogFired();
    });
    ui.SetWatchdog(90000);
    EnterFramedMode(link);
    const int identified = ReadBootIdentity(link);
    LeaveFramedMode(link);
    if (!identified) {
        err << "romflash: "
            << EndCause(link, ui, "the boot loader did not answer the identity read")
            << ", nothing was written\n";
        return kNoIdentity;
    }
    const DeviceIdentity& device = state.Device;
    const std::optional<std::string_view> language = LookUpLanguage(device.Lang);
    out << "Handheld: " << Printable(device.ModelID) << ", ROM type "
        << Printable(device.RomTypeCode) << ", language " << Printable(device.Lang)
        << (language ? " (" + std::string(*language) + ")" : std::string()) << ", version "
        << Printable(device.Version) << '\n';
    return 0;
}

}  // namespace

PortCandidates NoPorts() {
    PortCandidates ports = SystemPortCandidates();
    for (PortCandidate& port : ports) port.path.clear();
    return ports;
}

PortCandidates DefaultLinuxPorts() {
    PortCandidates ports = SystemPortCandidates();
    ports[0].path = "/dev/ttyS0";
    ports[1].path = "/dev/ttyUSB0";
    ports[2].path = "/dev/ttyUSB1";
    ports[3].path = "/dev/ttyS1";
    return ports;
}

bool SetPort(PortCandidates& ports, const std::string& kind, const std::string& path) {
    for (std::size_t i = 0; i < ports.size(); ++i) {
        if (kind == kKinds[i]) {
            ports[i].path = path;
            return true;
        }
    }
    return false;
}

int FlashImage(const FlashOptions& options, const Clock& clock, std::ostream& out,
               std::ostream& err) {
    WizardState state;
    state.ImagePath = options.image;
    TerminalUi ui(state, out, err);
    posix::StderrLog log(options.verbose);
    posix::PosixSerialPorts serial_ports;
    CountedPorts ports(serial_ports, [&ui](std::size_t count) { ui.AddImageBytes(count); });
    const std::string& image = options.image;

    if (!ReadImageHeader(image, state, ui)) {
        err << "romflash: " << image << ": " << ui.Refusal() << '\n';
        return kImageUnreadable;
    }
    // Before the checksum pass, which would read all of a huge file for nothing.
    const std::optional<std::uint64_t> file_size = ImageFileSize(image, ui);
    if (!file_size) {
        err << "romflash: " << image << ": " << ui.Refusal() << '\n';
        return kImageUnreadable;
    }
    if (!LoadCommandCanAddress(*file_size - kImageHeaderSize)) {
        err << "romflash: " << image << ": its " << *file_size - kImageHeaderSize
            << " bytes of ROM contents are more than the load command can address (less than "
            << kLoadCommandPayloadLimit << " bytes from 0xA0000000), nothing was written\n";
        return kImageTooLarge;
    }
    if (!VerifyImageChecksum(state, ui)) {
        if (ui.CloseRequested()) {
            err << "romflash: " << image << ": " << ui.Refusal() << '\n';
            return kImageUnreadable;
        }
        err << "romflash: " << image << ": checksum wrong, nothing was written\n";
        return kImageChecksumWrong;
    }
    ui.ExpectImageBytes(UpdateImageBytes(*file_size - kImageHeaderSize));

    BootLink link(state, LinkServices{ports, clock, log, ui, {}, {}}, options.ports);
    const WatchdogEnd watchdog_end{ui};
    if (const int failed = FindAndIdentify(link, ui, clock, out, err)) return failed;
    // The image's own refusal, said once the link's threads have ended.
    const auto refused = [&link, &ui, &err] {
        link.End();
        err << "romflash: " << ui.Refusal() << ", nothing was written\n";
        return kImageRefused;
    };
    if (!CheckImageMatchesDevice(state, ui)) return refused();
    if (!CheckRomType(state.Device, state.Image)) {
        state.RomVersionMismatch = 1;
        ui.OpenPage(Page::IncompatibleImage);
        return refused();
    }

    const std::string version = Printable(state.Image.Version);
    out << "Writing " << image << " (version " << version << ")\n" << std::flush;
    FlashSequence(link);
    const std::optional<int> end = ui.WaitProgressEnd();
    state.ImageFileHandle.Close();
    if (end != 1 || link.CompletedDownloads != 2) {
        const int completed = link.CompletedDownloads;
        err << "romflash: the update failed: "
            << EndCause(link, ui, "the boot loader stopped answering") << " (" << completed
            << " of 2 downloads complete); run it again\n";
        return kUpdateFailed;
    }
    // A line that dies right after the last end record leaves it unproven that the handheld
    // took the record: the version box is the last word the link gets through.
    const bool box_drawn = DrawVersionBox(link) == 1;
    clock.Sleep(1000ms);
    if (!box_drawn) {
        err << "romflash: the update is not confirmed: " << EndCause(link, ui, "the line failed")
            << " right after the last download; run it again\n";
        return kUpdateFailed;
    }
    link.End();
    out << "Update complete: the handheld now holds version " << version << '\n';
    return kUpdated;
}

int IdentifyHandheld(const FlashOptions& options, const Clock& clock, std::ostream& out,
                     std::ostream& err) {
    WizardState state;
    TerminalUi ui(state, out, err);
    posix::StderrLog log(options.verbose);
    posix::PosixSerialPorts ports;
    BootLink link(state, LinkServices{ports, clock, log, ui, {}, {}}, options.ports);
    const WatchdogEnd watchdog_end{ui};
    const int failed = FindAndIdentify(link, ui, clock, out, err);
    link.End();
    return failed;
}

}  // namespace orvo::romflash
