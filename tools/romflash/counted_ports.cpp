#include "counted_ports.h"

#include "bootlink/boot_link.h"
#include "platform/forwarding_serial_port.h"

namespace orvo::romflash {
namespace {

class CountedPort final : public ForwardingSerialPort {
  public:
    CountedPort(std::unique_ptr<SerialPort> port, CountedPorts::OnImageBytes on_image_bytes)
        : ForwardingSerialPort(std::move(port)), on_image_bytes_(std::move(on_image_bytes)) {}

    std::size_t Write(std::span<const std::uint8_t> bytes,
                      std::chrono::milliseconds bound) override {
        const std::size_t written = ForwardingSerialPort::Write(bytes, bound);
        if (bytes.size() == TXQUEUE && on_image_bytes_) on_image_bytes_(written);
        return written;
    }

  private:
    const CountedPorts::OnImageBytes on_image_bytes_;
};

}  // namespace

std::unique_ptr<SerialPort> CountedPorts::Open(const std::string& path, OpenResult& result) {
    std::unique_ptr<SerialPort> port = ports_.Open(path, result);
    if (!port) return nullptr;
    return std::make_unique<CountedPort>(std::move(port), on_image_bytes_);
}

}  // namespace orvo::romflash
