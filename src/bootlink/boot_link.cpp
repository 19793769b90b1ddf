#include "bootlink/boot_link.h"

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

}  // namespace orvo
