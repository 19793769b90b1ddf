#include "platform/win32/win32_serial_port.h"

#include <algorithm>

namespace orvo::win32 {
namespace {

// The serial driver's set-RTS request.
constexpr DWORD kSetRtsRequest = 0x1B0030;
// A driver that does not answer the presence probe within this time is taken for gone.
constexpr DWORD kProbeBoundMs = 1000;

DWORD BoundMs(std::chrono::milliseconds bound) {
    return bound.count() <= 0 ? 0
                              : static_cast<DWORD>(std::min<long long>(bound.count(), 0x7FFFFFFF));
}

}  // namespace

Win32SerialPort::Win32SerialPort(HANDLE port)
    : port_(port),
      read_event_(CreateEventW(nullptr, TRUE, TRUE, nullptr)),
      wake_event_(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      shut_event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    read_.hEvent = read_event_;
}

Win32SerialPort::~Win32SerialPort() {
    if (read_pending_) {
        CancelIoEx(port_, &read_);
        DWORD moved = 0;
        GetOverlappedResult(port_, &read_, &moved, TRUE);
    }
    CloseHandle(port_);
    for (HANDLE event : {read_event_, wake_event_, shut_event_}) {
        if (event) CloseHandle(event);
    }
}

bool Win32SerialPort::ApplyLineSettings() {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(port_, &dcb)) return false;
    dcb.BaudRate = CBR_115200;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.fParity = TRUE;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fTXContinueOnXoff = TRUE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    dcb.fAbortOnError = FALSE;
    return SetCommState(port_, &dcb) != FALSE;
}

bool Win32SerialPort::RaiseDtr() { return EscapeCommFunction(port_, SETDTR) != FALSE; }
bool Win32SerialPort::RaiseRts() { return EscapeCommFunction(port_, SETRTS) != FALSE; }

bool Win32SerialPort::SetReadReturnsAtOnce() {
    COMMTIMEOUTS timeouts{};
    if (!GetCommTimeouts(port_, &timeouts)) return false;
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = 0;
    return SetCommTimeouts(port_, &timeouts) != FALSE;
}

bool Win32SerialPort::Finish(OVERLAPPED& overlapped, DWORD& moved, DWORD bound_ms) {
    const HANDLE waits[] = {overlapped.hEvent, shut_event_};
    if (WaitForMultipleObjects(2, waits, FALSE, bound_ms) != WAIT_OBJECT_0) {
        CancelIoEx(port_, &overlapped);
    }
    return GetOverlappedResult(port_, &overlapped, &moved, TRUE) != FALSE;
}

std::size_t Win32SerialPort::Write(std::span<const std::uint8_t> bytes,
                                   std::chrono::milliseconds bound) {
    if (shut_) return 0;
    // An event of its own for each write: a write may come from any thread of the link.
    const HANDLE event = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    if (!event) return 0;
    OVERLAPPED overlapped{};
    overlapped.hEvent = event;
    DWORD moved = 0;
    bool done = WriteFile(port_, bytes.data(), static_cast<DWORD>(bytes.size()), &moved,
                          &overlapped) != FALSE;
    if (!done && GetLastError() == ERROR_IO_PENDING) {
        done = Finish(overlapped, moved, BoundMs(bound));
    }
    CloseHandle(event);
    return done ? moved : 0;
}

bool Win32SerialPort::Drain(std::chrono::milliseconds bound) {
    const ULONGLONG until = GetTickCount64() + BoundMs(bound);
    for (;;) {
        DWORD errors = 0;
        COMSTAT status{};
        if (shut_ || !ClearCommError(port_, &errors, &status)) return false;
        if (status.cbOutQue == 0) return true;
        if (GetTickCount64() >= until) return false;
        Sleep(1);
    }
}

SerialPort::ReadResult Win32SerialPort::ReadByte(std::uint8_t& byte,
                                                 std::chrono::milliseconds bound) {
    if (shut_) {
        EndPendingRead();
        return ReadResult::Failed;
    }
    if (!read_pending_) {
        ResetEvent(read_event_);
        DWORD moved = 0;
        if (ReadFile(port_, &read_byte_, 1, &moved, &read_)) {
            byte = read_byte_;
            return moved == 1 ? ReadResult::Byte : ReadResult::Nothing;
        }
        if (GetLastError() != ERROR_IO_PENDING) return ReadResult::Failed;
        read_pending_ = true;
    }
    const HANDLE waits[] = {read_event_, wake_event_, shut_event_};
    const DWORD woken = WaitForMultipleObjects(3, waits, FALSE, static_cast<DWORD>(bound.count()));
    if (woken != WAIT_OBJECT_0) {
        if (shut_) {
            EndPendingRead();
            return ReadResult::Failed;
        }
        return ReadResult::Nothing;
    }
    DWORD moved = 0;
    read_pending_ = false;
    if (!GetOverlappedResult(port_, &read_, &moved, FALSE)) return ReadResult::Failed;
    byte = read_byte_;
    return moved == 1 ? ReadResult::Byte : ReadResult::Nothing;
}

void Win32SerialPort::EndPendingRead() {
    if (!read_pending_) return;
    CancelIoEx(port_, &read_);
    DWORD moved = 0;
    GetOverlappedResult(port_, &read_, &moved, TRUE);
    read_pending_ = false;
}

void Win32SerialPort::WakeReader() { SetEvent(wake_event_); }

bool Win32SerialPort::ProbePresence() {
    if (shut_) return false;
    const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!event) return false;
    OVERLAPPED overlapped{};
    overlapped.hEvent = event;
    DWORD value = 0xB9;
    DWORD returned = 0;
    bool done = DeviceIoControl(port_, kSetRtsRequest, &value, sizeof value, nullptr, 0, &returned,
                                &overlapped) != FALSE;
    if (!done && GetLastError() == ERROR_IO_PENDING) {
        done = Finish(overlapped, returned, kProbeBoundMs);
    }
    CloseHandle(event);
    return done;
}

void Win32SerialPort::Shut() {
    shut_ = true;
    SetEvent(shut_event_);
    CancelIoEx(port_, nullptr);
}

std::unique_ptr<SerialPort> Win32SerialPorts::Open(const std::string& path, OpenResult& result) {
    result = OpenResult::Failed;
    if (path.empty()) return nullptr;
    const HANDLE port = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (port == INVALID_HANDLE_VALUE) {
        if (GetLastError() == ERROR_ACCESS_DENIED) result = OpenResult::AccessDenied;
        return nullptr;
    }
    result = OpenResult::Opened;
    return std::make_unique<Win32SerialPort>(port);
}

}  // namespace orvo::win32
