// A port is opened with all its events or not at all, and its handles go with it.

#include "platform/win32/win32_serial_port.h"

#include <gtest/gtest.h>

namespace orvo::win32 {
namespace {

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
        std::unique_ptr<Win32SerialPort> port =
            Win32SerialPort::Take(KernelHandle(device), MakeEventFailingOne);
        EXPECT_EQ(port != nullptr, failing == -1);
        port.reset();
        DWORD flags = 0;
        EXPECT_FALSE(GetHandleInformation(device, &flags)) << "the device is closed";
    }
}

}  // namespace
}  // namespace orvo::win32
