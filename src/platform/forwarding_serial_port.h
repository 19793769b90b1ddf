#pragma once
// A serial port that hands every call to the port it wraps: the base of ports that watch or
// change a few calls (counting what goes out, spoiling a line in tests).

#include "platform/serial_port.h"

#include <memory>
#include <utility>

namespace orvo {

class ForwardingSerialPort : public SerialPort {
  public:
    explicit ForwardingSerialPort(std::unique_ptr<SerialPort> port) : port_(std::move(port)) {}

    bool ApplyLineSettings() override { return port_->ApplyLineSettings(); }
    bool RaiseDtr() override { return port_->RaiseDtr(); }
    bool RaiseRts() override { return port_->RaiseRts(); }
    bool SetReadReturnsAtOnce() override { return port_->SetReadReturnsAtOnce(); }
    std::size_t Write(std::span<const std::uint8_t> bytes,
                      std::chrono::milliseconds bound) override {
        return port_->Write(bytes, bound);
    }
    bool Drain(std::chrono::milliseconds bound) override { return port_->Drain(bound); }
    ReadResult ReadByte(std::uint8_t& byte, std::chrono::milliseconds bound) override {
        return port_->ReadByte(byte, bound);
    }
    void WakeReader() override { port_->WakeReader(); }
    bool ProbePresence() override { return port_->ProbePresence(); }
    void Shut() override { port_->Shut(); }

  private:
    std::unique_ptr<SerialPort> port_;
};

}  // namespace orvo
