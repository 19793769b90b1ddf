#pragma once
// The ports the tool opens, telling how many image bytes went out: the link writes block data,
// and nothing else, in writes of TXQUEUE bytes.

#include "platform/serial_port.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace orvo::romflash {

class CountedPorts final : public SerialPorts {
  public:
    using OnImageBytes = std::function<void(std::size_t)>;

    CountedPorts(SerialPorts& ports, OnImageBytes on_image_bytes)
        : ports_(ports), on_image_bytes_(std::move(on_image_bytes)) {}

    std::unique_ptr<SerialPort> Open(const std::string& path, OpenResult& result) override;

  private:
    SerialPorts& ports_;
    OnImageBytes on_image_bytes_;
};

}  // namespace orvo::romflash
