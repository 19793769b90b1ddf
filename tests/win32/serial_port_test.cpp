// The Win32 serial adapter over a pipe standing in for the device: a port taken with all its
// events or not at all, and a pending read that waits its bound and ends when woken or shut. (The
// line settings and bytes over Wine's serial devices, cable and silence: the roads and the faults.)

#include "platform/win32/win32_serial_port.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

namespace orvo::win32 {
namespace {

using namespace std::chrono_literals;

int events_made = 0;
int failing_event = -1;

HANDLE MakeEventFailingOne(BOOL manual_reset, BOOL signalled) {
    if (events_made++ == failing_event) return nullptr;
    return CreateEventW(nullptr, manual_reset, signalled, nullptr);
}

// The device's end of a new pipe, opened for overlapped I/O as the port opens its device; the
// other end, which sends nothing, goes to `other_end`.
HANDLE Device(KernelHandle& other_end) {
    static int made = 0;
    const std::wstring name = L"\\\\.\\pipe\\romwizard-port-" +
                              std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(++made);
    const HANDLE device = CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                           PIPE_TYPE_BYTE, 1, 64, 64, 0, nullptr);
    other_end = KernelHandle(CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                         OPEN_EXISTING, 0, nullptr));
    return device;
}

TEST(Win32SerialPort, AnEventThatCannotBeMadeFailsTheOpenAndThePortIsClosed) {
    // The read, wake and shut events in turn, then none.
    for (int failing : {0, 1, 2, -1}) {
        SCOPED_TRACE(failing);
        events_made = 0;
        failing_event = failing;
        KernelHandle other_end;
        const HANDLE device = Device(other_end);
        ASSERT_TRUE(other_end);
        std::unique_ptr<Win32SerialPort> port =
            Win32SerialPort::Take(KernelHandle(device), MakeEventFailingOne);
        EXPECT_EQ(port != nullptr, failing == -1);
        port.reset();
        DWORD flags = 0;
        EXPECT_FALSE(GetHandleInformation(device, &flags)) << "the device is closed";
    }
}

TEST(Win32SerialPort, APendingReadWaitsItsBoundAndEndsWhenWokenOrShut) {
    KernelHandle other_end;
    std::unique_ptr<Win32SerialPort> port = Win32SerialPort::Take(KernelHandle(Device(other_end)));
    ASSERT_TRUE(port && other_end);
    std::uint8_t byte = 0;
    EXPECT_EQ(port->ReadByte(byte, 50ms), SerialPort::ReadResult::Nothing);
    for (const bool shut : {false, true}) {
        std::thread other([&] {
            std::this_thread::sleep_for(100ms);
            shut ? port->Shut() : port->WakeReader();
        });
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(port->ReadByte(byte, 10s),
                  shut ? SerialPort::ReadResult::Failed : SerialPort::ReadResult::Nothing);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
        other.join();
    }
    const std::uint8_t out[] = {'x'};
    EXPECT_EQ(port->Write(out, 1s), 0u) << "nothing is written once shut";
}

}  // namespace
}  // namespace orvo::win32
