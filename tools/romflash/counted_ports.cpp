#include "counted_ports.h"

#include "bootlink/boot_link.h"

namespace orvo::romflash {
namespace {

class CountedPort final : public SerialPort {
  public:
    CountedPort(std::unique_ptr<SerialPort> port, const CountedPorts::OnImageBytes& on_image_bytes)
        : port_(std::move(port)), on_image_bytes_(on_image_bytes) {}

    bool ApplyLineSettings() override { return port_->ApplyLineSettings(); }
    bool RaiseDtr() override { return port_->RaiseDtr(); }
    bool RaiseRts() override { return port_->RaiseRts(); }
    bool SetReadReturnsAtOnce() override { return port_->SetReadReturnsAtOnce(); }
    std::size_t Write(std::span<const std::uint8_t> bytes,
                      std::chrono::milliseconds bound) override {
        const std::size_t written = port_->Write(bytes, bound);
        if (bytes.size() == TXQUEUE && on_image_bytes_) on_image_bytes_(written);
        return written;
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
    const CountedPorts::OnImageBytes on_image_bytes_;
};

}  // namespace

std::unique_ptr<SerialPort> CountedPorts::Open(const std::string& path, OpenResult& result) {
    std::unique_ptr<SerialPort> port = ports_.Open(path, result);
    if (!port) return nullptr;
    return std::make_unique<CountedPort>(std::move(port), on_image_bytes_);
}

}  // namespace orvo::romflash
