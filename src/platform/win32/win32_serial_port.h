#pragma once
// The serial-port seam over a Win32 COM port or USB serial device, opened for overlapped I/O.
// Under Wine a read stays pending until a byte comes, so a read is waited for with a bound and
// kept pending between calls; Shut cancels whatever is pending.

#include "platform/serial_port.h"
#include "platform/win32/kernel_handle.h"

#include <windows.h>

#include <atomic>
#include <memory>

namespace orvo::win32 {

class Win32SerialPort final : public SerialPort {
  public:
    // Makes an event: manual or automatic reset, set or clear at first.
    using MakeEvent = HANDLE (*)(BOOL manual_reset, BOOL signalled);
    static HANDLE MakeSystemEvent(BOOL manual_reset, BOOL signalled);

    // Takes over an open port. None, and the port closed, when one of the port's events cannot
    // be made: a port without them would only look silent.
    static std::unique_ptr<Win32SerialPort> Take(KernelHandle port,
                                                 MakeEvent make_event = MakeSystemEvent);
    ~Win32SerialPort() override;
    Win32SerialPort(const Win32SerialPort&) = delete;
    Win32SerialPort& operator=(const Win32SerialPort&) = delete;

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
    Win32SerialPort(KernelHandle port, KernelHandle read_event, KernelHandle wake_event,
                    KernelHandle shut_event);

    // Waits at most `bound_ms` for an overlapped operation to end, cancelling it then or at
    // Shut; false when it failed or was cancelled, else `moved` holds the bytes it moved.
    bool Finish(OVERLAPPED& overlapped, DWORD& moved, DWORD bound_ms);
    void EndPendingRead();

    const KernelHandle port_;
    const KernelHandle read_event_;  // manual-reset, created signalled
    const KernelHandle wake_event_;  // auto-reset: WakeReader
    const KernelHandle shut_event_;  // manual-reset: Shut
    OVERLAPPED read_{};
    std::uint8_t read_byte_ = 0;  // where the pending read puts its byte
    bool read_pending_ = false;   // only the reading thread touches the read
    std::atomic<bool> shut_{false};
};

class Win32SerialPorts final : public SerialPorts {
  public:
    std::unique_ptr<SerialPort> Open(const std::string& path, OpenResult& result) override;
};

}  // namespace orvo::win32
