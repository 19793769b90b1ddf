#include "platform/posix/posix_serial_port.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace orvo::posix {
namespace {

bool SetModemLine(int fd, int line) { return ::ioctl(fd, TIOCMBIS, &line) == 0; }

// Whole milliseconds until `until`, 0 once it has passed.
int MillisLeft(std::chrono::steady_clock::time_point until) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

PosixSerialPort::PosixSerialPort(int fd, std::string path) : fd_(fd), path_(std::move(path)) {
    if (::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) wake_[0] = wake_[1] = -1;
}

PosixSerialPort::~PosixSerialPort() {
    ::close(fd_);
    for (int fd : wake_) {
        if (fd >= 0) ::close(fd);
    }
}

bool PosixSerialPort::ApplyLineSettings() {
    termios settings{};
    if (::tcgetattr(fd_, &settings) != 0) return false;
    ::cfmakeraw(&settings);
    ::cfsetspeed(&settings, B115200);
    settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    settings.c_cflag |= CS8 | CLOCAL | CREAD;
    settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    return ::tcsetattr(fd_, TCSANOW, &settings) == 0;
}

bool PosixSerialPort::RaiseDtr() { return SetModemLine(fd_, TIOCM_DTR); }
bool PosixSerialPort::RaiseRts() { return SetModemLine(fd_, TIOCM_RTS); }

// The descriptor is non-blocking and raw: a read already returns at once with what is there.
bool PosixSerialPort::SetReadReturnsAtOnce() { return !shut_; }

bool PosixSerialPort::WaitFor(short events, int timeout_ms) {
    pollfd fds[2] = {{fd_, events, 0}, {wake_[0], POLLIN, 0}};
    const int ready = ::poll(fds, wake_[0] >= 0 ? 2 : 1, timeout_ms);
    if (ready < 0) return errno == EINTR && !shut_;
    if (fds[1].revents & POLLIN) DrainWake();
    if (shut_) return false;
    return (fds[0].revents & (events | POLLERR | POLLHUP)) != 0;
}

void PosixSerialPort::DrainWake() {
    char drain[16];
    while (::read(wake_[0], drain, sizeof drain) > 0) {
    }
}

std::size_t PosixSerialPort::Write(std::span<const std::uint8_t> bytes,
                                   std::chrono::milliseconds bound) {
    const auto until = std::chrono::steady_clock::now() + bound;
    std::size_t written = 0;
    while (written < bytes.size() && !shut_) {
        const ssize_t n = ::write(fd_, bytes.data() + written, bytes.size() - written);
        if (n > 0) {
            written += static_cast<std::size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            // The line's buffer is full: wait until it takes more, but a line that does not
            // drain within the bound has failed the write.
            const int left = MillisLeft(until);
            if (left == 0 || (!WaitFor(POLLOUT, left) && shut_)) break;
        } else {
            break;
        }
    }
    return written;
}

bool PosixSerialPort::Drain(std::chrono::milliseconds bound) {
    const auto until = std::chrono::steady_clock::now() + bound;
    for (;;) {
        // A hung-up line has lost what it still held.
        pollfd line{fd_, 0, 0};
        if (shut_ || ::poll(&line, 1, 0) < 0 || (line.revents & (POLLHUP | POLLERR | POLLNVAL))) {
            return false;
        }
        int queued = 0;
        if (::ioctl(fd_, TIOCOUTQ, &queued) != 0) return false;
        if (queued == 0) return true;
        if (MillisLeft(until) == 0) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

SerialPort::ReadResult PosixSerialPort::ReadByte(std::uint8_t& byte,
                                                 std::chrono::milliseconds bound) {
    if (shut_) return ReadResult::Failed;
    // In raw mode without a minimum count a read with nothing there gives 0 bytes (or EAGAIN).
    const ssize_t n = ::read(fd_, &byte, 1);
    if (n == 1) return ReadResult::Byte;
    if (n < 0 && errno != EAGAIN && errno != EINTR) return ReadResult::Failed;
    if (!WaitFor(POLLIN, static_cast<int>(bound.count()))) {
        return shut_ ? ReadResult::Failed : ReadResult::Nothing;
    }
    // Ready: a byte, or a hang-up that reads as nothing or as an error.
    const ssize_t again = ::read(fd_, &byte, 1);
    if (again == 1) return ReadResult::Byte;
    if (again < 0 && (errno == EAGAIN || errno == EINTR)) return ReadResult::Nothing;
    return ReadResult::Failed;
}

void PosixSerialPort::WakeReader() {
    if (wake_[1] >= 0) {
        const char c = 1;
        [[maybe_unused]] const ssize_t n = ::write(wake_[1], &c, 1);
    }
}

bool PosixSerialPort::ProbePresence() {
    if (shut_) return false;
    if (SetModemLine(fd_, TIOCM_RTS)) return true;
    if (errno != ENOTTY && errno != EINVAL) return false;
    // A pseudo-terminal has no modem lines: the device is there while its path still names it.
    struct stat now {};
    struct stat open {};
    return ::stat(path_.c_str(), &now) == 0 && ::fstat(fd_, &open) == 0 &&
           now.st_rdev == open.st_rdev;
}

void PosixSerialPort::Shut() {
    shut_ = true;
    WakeReader();
}

std::unique_ptr<SerialPort> PosixSerialPorts::Open(const std::string& path, OpenResult& result) {
    result = OpenResult::Failed;
    if (path.empty()) return nullptr;
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == EACCES || errno == EBUSY) result = OpenResult::AccessDenied;
        return nullptr;
    }
    // Unshared, as the port is opened on Windows: a second opener is refused.
    if (::ioctl(fd, TIOCEXCL) != 0 && errno != ENOTTY) {
        ::close(fd);
        return nullptr;
    }
    if (!::isatty(fd)) {
        ::close(fd);
        return nullptr;
    }
    result = OpenResult::Opened;
    return std::make_unique<PosixSerialPort>(fd, path);
}

}  // namespace orvo::posix
