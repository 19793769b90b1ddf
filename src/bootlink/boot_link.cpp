#include "bootlink/boot_link.h"

#include <algorithm>
#include <utility>

namespace orvo {

std::shared_ptr<SerialPort> PortSlot::Get() const {
    std::lock_guard lock(mutex_);
    return port_;
}

void PortSlot::Set(std::shared_ptr<SerialPort> port) {
    std::lock_guard lock(mutex_);
    port_ = std::move(port);
}

void PortSlot::Close() {
    std::shared_ptr<SerialPort> port;
    {
        std::lock_guard lock(mutex_);
        port.swap(port_);
    }
    if (port) port->Shut();
}

void RequestSlot::Offer(LoadRequest request) {
    std::lock_guard lock(mutex_);
    request_ = request;
}

std::optional<LoadRequest> RequestSlot::Take() {
    std::lock_guard lock(mutex_);
    return std::exchange(request_, std::nullopt);
}

PortCandidates SystemPortCandidates() {
    return {{{"COM1", "COM1 Port Test\r", 1},
             {"\\\\.\\WCEUSBSH001", "USB Port Test\r", 0},
             {"\\\\.\\WCEUSBSH002", "USB Port Test\r", 0},
             {"COM2", "COM2 Port Test\r", 1}}};
}

BootLink::BootLink(WizardState& state, LinkServices services, PortCandidates candidates)
    : state(state), services(std::move(services)), candidates(std::move(candidates)) {}

BootLink::~BootLink() {
    ShutDown();
    JoinReader();
    if (Download.thread.joinable()) Download.thread.join();
}

void BootLink::Restart() {
    failure_.Clear();
    awaited_.Clear();
    LinkStop = 0;
}

void BootLink::Stop() {
    LinkStop = 1;
    if (auto port = hPort.Get()) port->WakeReader();
}

void BootLink::ShutDown() {
    Stop();
    hPort.Close();
}

void BootLink::JoinReader() {
    if (reader.joinable()) reader.join();
}

void BootLink::End() {
    ShutDown();
    JoinReader();
    if (Download.thread.joinable()) Download.thread.join();
}

void BootLink::Fail(std::string_view cause) {
    failure_.StoreIfEmpty(cause);
    Stop();
    services.ui.SetWatchdog(10);
}

void BootLink::Await(std::string_view cause, int period_ms) {
    awaited_.Store(cause);
    services.ui.SetWatchdog(period_ms);
}

void BootLink::WatchdogFired() {
    const std::string cause = awaited_.Load();
    failure_.StoreIfEmpty(cause.empty() ? "the boot loader went quiet" : cause);
    Stop();
}

std::chrono::milliseconds BootLink::WallTime(Millis span) const {
    return std::max(std::chrono::milliseconds(1),
                    std::chrono::ceil<std::chrono::milliseconds>(services.clock.Real(span)));
}

}  // namespace orvo
