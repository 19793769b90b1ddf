#pragma once
// The product's link over real pseudo-terminals against handheld-sim, on a clock 25 times faster
// than the wall clock: a port search that records which paths it opened, the four port kinds
// linked where the simulator made them, and a progress page whose watchdog stops the link.

#include "bootlink/boot_link.h"
#include "fakes/fake_ui.h"
#include "fakes/recording_log.h"
#include "fakes/scaled_clock.h"
#include "platform/posix/posix_serial_port.h"
#include "rig/sim_harness.h"

#include <mutex>
#include <string>
#include <vector>

namespace orvo::simtest {

inline constexpr int kClockFactor = 25;

class RecordingPorts final : public SerialPorts {
  public:
    std::unique_ptr<SerialPort> Open(const std::string& path, OpenResult& result) override {
        {
            std::lock_guard lock(mutex_);
            opened_.push_back(path);
        }
        return ports_.Open(path, result);
    }
    std::vector<std::string> Opened() const {
        std::lock_guard lock(mutex_);
        return opened_;
    }

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

struct SimLinkRig {
    explicit SimLinkRig(std::vector<std::string> options)
        : sim(std::move(options)), clock(kClockFactor) {
        ui.RunWatchdog(clock, [this] { link.Stop(); });
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
    BootLink link{state, LinkServices{ports, clock, log, ui, {}, {}}, SimPorts(sim)};
};

}  // namespace orvo::simtest
