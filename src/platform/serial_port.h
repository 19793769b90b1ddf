#pragma once
// The serial-port seam: a COM port or the handheld's USB serial device, opened for the boot-loader
// link. The Win32 adapter uses overlapped I/O; the POSIX one a tty or pty in raw mode.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace orvo {

class SerialPort {
  public:
    enum class ReadResult { Byte, Nothing, Failed };

    virtual ~SerialPort() = default;

    // Reads the line settings, sets 115200 baud, 8 data bits, no parity, 1 stop bit, binary mode
    // and no flow control, and writes them back. The caller ignores the result.
    virtual bool ApplyLineSettings() = 0;
    virtual bool RaiseDtr() = 0;
    virtual bool RaiseRts() = 0;
    // Read time-outs under which a read returns at once with what is there.
    virtual bool SetReadReturnsAtOnce() = 0;

    // Writes `bytes` in one write and waits for it at most `bound` of wall time; returns how many
    // bytes went out (fewer when the line would not take them within the bound).
    virtual std::size_t Write(std::span<const std::uint8_t> bytes,
                              std::chrono::milliseconds bound) = 0;
    // Waits at most `bound` of wall time until everything written has left the PC; false when it
    // has not by then or the line is gone.
    virtual bool Drain(std::chrono::milliseconds bound) = 0;
    // Takes one received byte. A read that is still pending is waited for at most `bound` of wall
    // time (it stays pending for the next call); Nothing when no byte came meanwhile.
    virtual ReadResult ReadByte(std::uint8_t& byte, std::chrono::milliseconds bound) = 0;
    // Wakes a ReadByte that is waiting, so that its caller looks at its stop flag.
    virtual void WakeReader() = 0;
    // The serial driver's set-RTS request, used to ask whether a USB device is still there.
    virtual bool ProbePresence() = 0;
    // Ends the port's use: waiting calls return, later ones fail. The device is released when
    // the object goes.
    virtual void Shut() = 0;
};

class SerialPorts {
  public:
    enum class OpenResult { Opened, AccessDenied, Failed };

    virtual ~SerialPorts() = default;
    // Opens the port path for reading and writing, unshared, as an existing device.
    virtual std::unique_ptr<SerialPort> Open(const std::string& path, OpenResult& result) = 0;
};

}  // namespace orvo
