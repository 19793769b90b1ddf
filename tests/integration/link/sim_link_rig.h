#pragma once
// The product's link over real pseudo-terminals against handheld-sim, on a clock 25 times faster
// than the wall clock: a port search that records which paths it opened and can spoil what goes
// over the line, the four port kinds linked where the simulator made them, and a progress page
// whose watchdog stops the link.

#include "bootlink/boot_link.h"
#include "fakes/fake_ui.h"
#include "fakes/recording_log.h"
#include "fakes/scaled_clock.h"
#include "platform/forwarding_serial_port.h"
#include "platform/posix/posix_serial_port.h"
#include "rig/sim_harness.h"

#include <atomic>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

namespace orvo::simtest {

inline constexpr int kClockFactor = 25;

// A real port whose write with index `fail_write_at` (from 0) fails, and which loses the boot
// loader's record requests when `drop_record_requests`.
class SpoiltPort final : public ForwardingSerialPort {
  public:
    SpoiltPort(std::unique_ptr<SerialPort> port, int fail_write_at, bool drop_record_requests)
        : ForwardingSerialPort(std::move(port)),
          fail_write_at_(fail_write_at),
          drop_(drop_record_requests) {}
    std::size_t Write(std::span<const std::uint8_t> bytes,
                      std::chrono::milliseconds bound) override {
        return writes_++ == fail_write_at_ ? 0 : ForwardingSerialPort::Write(bytes, bound);
    }
    ReadResult ReadByte(std::uint8_t& byte, std::chrono::milliseconds bound) override {
        const ReadResult read = ForwardingSerialPort::ReadByte(byte, bound);
        return read == ReadResult::Byte && drop_ && byte == 0x02 ? ReadResult::Nothing : read;
    }

  private:
    std::atomic<int> writes_{0};
    const int fail_write_at_;
    const bool drop_;
};

class RecordingPorts final : public SerialPorts {
  public:
    std::unique_ptr<SerialPort> Open(const std::string& path, OpenResult& result) override {
        {
            std::lock_guard lock(mutex_);
            opened_.push_back(path);
        }
        std::unique_ptr<SerialPort> port = ports_.Open(path, result);
        if (!port) return port;
        return std::make_unique<SpoiltPort>(std::move(port), fail_write_at, drop_record_requests);
    }
    std::vector<std::string> Opened() const {
        std::lock_guard lock(mutex_);
        return opened_;
    }

    int fail_write_at = -1;
    bool drop_record_requests = false;

  private:
    posix::PosixSerialPorts ports_;
    mutable std::mutex mutex_;
    std::vector<std::string> opened_;
};

// The simulator's ports in the system's order: com1, usb1, usb2 (which the simulator does not
// make, so it never opens), com2.
inline PortCandidates SimPorts(const rigtest::Sim& sim) {
    PortCandidates ports = SystemPortCandidates();
    ports[0].path = sim.Link("com1");
    ports[1].path = sim.Link("usb1");
    ports[2].path = sim.Link("usb2");
    ports[3].path = sim.Link("com2");
    return ports;
}

// The simulator's flash bytes from 0xA0000000 + `from` on.
inline std::vector<std::uint8_t> Rom(const rigtest::Sim& sim, std::size_t from, std::size_t count) {
    std::ifstream flash(sim.FlashFile(), std::ios::binary);
    flash.seekg(static_cast<std::streamoff>(from));
    std::vector<std::uint8_t> bytes(count);
    flash.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(count));
    return bytes;
}

struct SimLinkRig {
    explicit SimLinkRig(std::vector<std::string> options)
        : sim(std::move(options)), clock(kClockFactor) {
        ui.RunWatchdog(clock, [this] { link.WatchdogFired(); });
    }
    ~SimLinkRig() {
        link.ShutDown();
        link.JoinReader();
        if (link.Download.thread.joinable()) link.Download.thread.join();
        ui.EndWatchdog();
    }

    rigtest::Sim sim;
    WizardState state;
    RecordingPorts ports;
    ScaledClock clock;
    RecordingLog log;
    FakeUi ui;
    std::atomic<int> settings_cleared{0};
    BootLink link{state, LinkServices{ports, clock, log, ui, {}, [this] { ++settings_cleared; }},
                  SimPorts(sim)};
};

}  // namespace orvo::simtest
