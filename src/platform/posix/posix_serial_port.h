#pragma once
// The serial-port seam over a POSIX tty or pseudo-terminal in raw mode.

#include "platform/serial_port.h"

#include <atomic>

namespace orvo::posix {

class PosixSerialPort final : public SerialPort {
  public:
    // Takes an open descriptor of `path` (the path is looked at again by the presence probe).
    PosixSerialPort(int fd, std::string path);
    ~PosixSerialPort() override;
    PosixSerialPort(const PosixSerialPort&) = delete;
    PosixSerialPort& operator=(const PosixSerialPort&) = delete;

    bool ApplyLineSettings() override;
    bool RaiseDtr() override;
    bool RaiseRts() override;
    bool SetReadReturnsAtOnce() override;
    std::size_t Write(std::span<const std::uint8_t> bytes,
                      std::chrono::milliseconds bound) override;
    bool Drain(std::chrono::milliseconds bound) override;
    ReadResult ReadByte(std::uint8_t& byte, std::chrono::milliseconds bound) override;
    void WakeReader() override;
    bool ProbePresence() override;
    void Shut() override;

  private:
    // Waits until the descriptor is ready for `events` or the port is woken or shut; false
    // when it will not become ready.
    bool WaitFor(short events, int timeout_ms);
    void DrainWake();

    const int fd_;
    const std::string path_;
    int wake_[2] = {-1, -1};
    std::atomic<bool> shut_{false};
};

class PosixSerialPorts final : public SerialPorts {
  public:
    std::unique_ptr<SerialPort> Open(const std::string& path, OpenResult& result) override;
};

}  // namespace orvo::posix
