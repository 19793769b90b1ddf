// The Win32 serial adapter under Wine: a port opened with all its events or not at all, and,
// against handheld-sim's ptys opened as serial devices, a pending read that ends when woken or
// shut. (The link's whole road over the adapter, a pulled USB cable included: the roads.)

#include "platform/win32/win32_serial_port.h"
#include "wine_sim.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <memory>
#include <thread>

namespace orvo::wine {
namespace {

using namespace std::chrono_literals;

int events_made = 0;
int failing_event = -1;

HANDLE MakeEventFailingOne(BOOL manual_reset, BOOL signalled) {
    if (events_made++ == failing_event) return nullptr;
    return CreateEventW(nullptr, manual_reset, signalled, nullptr);
}

TEST(Win32SerialPort, AnEventThatCannotBeMadeFailsTheOpenAndThePortIsClosed) {
    wchar_t folder[MAX_PATH];
    wchar_t path[MAX_PATH];
    ASSERT_NE(GetTempPathW(MAX_PATH, folder), 0u);
    ASSERT_NE(GetTempFileNameW(folder, L"prt", 0, path), 0u);
    // The read, wake and shut events in turn, then none.
    for (int failing : {0, 1, 2, -1}) {
        SCOPED_TRACE(failing);
        events_made = 0;
        failing_event = failing;
        // A file opened for overlapped I/O stands in for the device.
        const HANDLE device =
            CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                        FILE_FLAG_OVERLAPPED | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        ASSERT_NE(device, INVALID_HANDLE_VALUE);
        std::unique_ptr<win32::Win32SerialPort> port =
            win32::Win32SerialPort::Take(win32::KernelHandle(device), MakeEventFailingOne);
        EXPECT_EQ(port != nullptr, failing == -1);
        port.reset();
        DWORD flags = 0;
        EXPECT_FALSE(GetHandleInformation(device, &flags)) << "the device is closed";
    }
}

// Under Wine a pending overlapped read waits for a byte: with nothing coming it waits its bound,
// and ends at once when woken or shut from another thread. (Bytes both ways: the roads.)
TEST(WineSimTest, APendingReadEndsWhenWokenOrShut) {
    WineSim sim({"--mode", "bootloader", "--link", "usb1"});
    if (!sim.Unavailable().empty()) GTEST_SKIP() << sim.Unavailable();
    win32::Win32SerialPorts ports;
    SerialPorts::OpenResult result = SerialPorts::OpenResult::Failed;
    std::unique_ptr<SerialPort> port = ports.Open(sim.DevicePath("usb1"), result);
    ASSERT_TRUE(port) << sim.DevicePath("usb1");
    EXPECT_TRUE(port->SetReadReturnsAtOnce());
    std::uint8_t byte = 0;
    EXPECT_EQ(port->ReadByte(byte, 50ms), SerialPort::ReadResult::Nothing);
    std::thread waker([&] {
        std::this_thread::sleep_for(100ms);
        port->WakeReader();
    });
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(port->ReadByte(byte, 10s), SerialPort::ReadResult::Nothing);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    waker.join();
    std::thread shutter([&] {
        std::this_thread::sleep_for(100ms);
        port->Shut();
    });
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(port->ReadByte(byte, 10s), SerialPort::ReadResult::Failed);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    shutter.join();
    const std::uint8_t out[] = {'x'};
    EXPECT_EQ(port->Write(out, 1s), 0u);
}

}  // namespace
}  // namespace orvo::wine
