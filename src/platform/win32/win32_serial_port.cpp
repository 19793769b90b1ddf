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

HANDLE Win32SerialPort::MakeSystemEvent(BOOL manual_reset, BOOL signalled) {
    return CreateEventW(nullptr, manual_reset, signalled, nullptr);
}

std::unique_ptr<Win32SerialPort> Win32SerialPort::Take(KernelHandle port, MakeEvent make_event) {
    KernelHandle read_event(make_event(TRUE, TRUE));
    KernelHandle wake_event(make_event(FALSE, FALSE));
    KernelHandle shut_event(make_event(TRUE, FALSE));
    if (!port || !read_event || !wake_event || !shut_event) return nullptr;
    return std::unique_ptr<Win32SerialPort>(new Win32SerialPort(
        std::move(port), std::move(read_event), std::move(wake_event), std::move(shut_event)));
}

Win32SerialPort::Win32SerialPort(KernelHandle port, KernelHandle read_event,
                                 KernelHandle wake_event, KernelHandle shut_event)
    : port_(std::move(port)),
      read_event_(std::move(read_event)),
      wake_event_(std::move(wake_event)),
      shut_event_(std::move(shut_event)) {
    read_.hEvent = read_event_.get();
}

Win32SerialPort::~Win32SerialPort() { EndPendingRead(); }

bool Win32SerialPort::ApplyLineSettings() {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(port_.get(), &dcb)) return false;
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
    return SetCommState(port_.get(), &dcb) != FALSE;
}

bool Win32SerialPort::RaiseDtr() { return EscapeCommFunction(port_.get(), SETDTR) != FALSE; }
bool Win32SerialPort::RaiseRts() { return EscapeCommFunction(port_.get(), SETRTS) != FALSE; }

bool Win32SerialPort::SetReadReturnsAtOnce() {
    COMMTIMEOUTS timeouts{};
    if (!GetCommTimeouts(port_.get(), &timeouts)) return false;
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = 0;
    return SetCommTimeouts(port_.get(), &timeouts) != FALSE;
}

bool Win32SerialPort::Finish(OVERLAPPED& overlapped, DWORD& moved, DWORD bound_ms) {
    const HANDLE waits[] = {overlapped.hEvent, shut_event_.get()};
    if (WaitForMultipleObjects(2, waits, FALSE, bound_ms) != WAIT_OBJECT_0) {
        CancelIoEx(port_.get(), &overlapped);
    }
    return GetOverlappedResult(port_.get(), &overlapped, &moved, TRUE) != FALSE;
}

std::size_t Win32SerialPort::Write(std::span<const std::uint8_t> bytes,
                                   std::chrono::milliseconds bound) {
    if (shut_) return 0;
    // An event of its own for each write: a write may come from any thread of the link.
    const KernelHandle event(MakeSystemEvent(TRUE, TRUE));
    if (!event) return 0;
    OVERLAPPED overlapped{};
    overlapped.hEvent = event.get();
    DWORD moved = 0;
    bool done = WriteFile(port_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &moved,
                          &overlapped) != FALSE;
    if (!done && GetLastError() == ERROR_IO_PENDING) {
        done = Finish(overlapped, moved, BoundMs(bound));
    }
    return done ? moved : 0;
}

bool Win32SerialPort::Drain(std::chrono::milliseconds bound) {
    const ULONGLONG until = GetTickCount64() + BoundMs(bound);
    for (;;) {
        DWORD errors = 0;
        COMSTAT status{};
        if (shut_ || !ClearCommError(port_.get(), &errors, &status)) return false;
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
        ResetEvent(read_event_.get());
        DWORD moved = 0;
        if (ReadFile(port_.get(), &read_byte_, 1, &moved, &read_)) {
            byte = read_byte_;
            return moved == 1 ? ReadResult::Byte : ReadResult::Nothing;
        }
        if (GetLastError() != ERROR_IO_PENDING) return ReadResult::Failed;
        read_pending_ = true;
    }
    const HANDLE waits[] = {read_event_.get(), wake_event_.get(), shut_event_.get()};
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
    if (!GetOverlappedResult(port_.get(), &read_, &moved, FALSE)) return ReadResult::Failed;
    byte = read_byte_;
    return moved == 1 ? ReadResult::Byte : ReadResult::Nothing;
}

void Win32SerialPort::EndPendingRead() {
    if (!read_pending_) return;
    CancelIoEx(port_.get(), &read_);
    DWORD moved = 0;
    GetOverlappedResult(port_.get(), &read_, &moved, TRUE);
    read_pending_ = false;
}

void Win32SerialPort::WakeReader() { SetEvent(wake_event_.get()); }

bool Win32SerialPort::ProbePresence() {
    if (shut_) return false;
    const KernelHandle event(MakeSystemEvent(TRUE, FALSE));
    if (!event) return false;
    OVERLAPPED overlapped{};
    overlapped.hEvent = event.get();
    DWORD value = 0xB9;
    DWORD returned = 0;
    bool done = DeviceIoControl(port_.get(), kSetRtsRequest, &value, sizeof value, nullptr, 0,
                                &returned, &overlapped) != FALSE;
    if (!done && GetLastError() == ERROR_IO_PENDING) {
        done = Finish(overlapped, returned, kProbeBoundMs);
    }
    return done;
}

void Win32SerialPort::Shut() {
    shut_ = true;
    SetEvent(shut_event_.get());
    CancelIoEx(port_.get(), nullptr);
}

std::unique_ptr<SerialPort> Win32SerialPorts::Open(const std::string& path, OpenResult& result) {
    result = OpenResult::Failed;
    if (path.empty()) return nullptr;
    KernelHandle port(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
    if (!port) {
        if (GetLastError() == ERROR_ACCESS_DENIED) result = OpenResult::AccessDenied;
        return nullptr;
    }
    std::unique_ptr<Win32SerialPort> opened = Win32SerialPort::Take(std::move(port));
    if (opened) result = OpenResult::Opened;
    return opened;
}

}  // namespace orvo::win32
