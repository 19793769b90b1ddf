#include "pty_ports.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace rig {

namespace {

bool IsOurLink(const std::string& link, const std::string& pty) {
    char target[256];
    ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
    return n > 0 && std::string(target, static_cast<std::size_t>(n)) == pty;
}

}  // namespace

PtyPorts::~PtyPorts() { Stop(); }

bool PtyPorts::Add(const std::string& name, const std::string& link, std::string& error) {
    if (name != "com1" && name != "com2" && name != "usb1" && name != "usb2") {
        error = "unknown port " + name + " (com1, com2, usb1, usb2)";
        return false;
    }
    for (const Port& p : ports_) {
        if (p.name == name || p.link == link) {
            error = "port " + name + " given twice";
            return false;
        }
    }
    struct stat st {};
    if (::lstat(link.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
        error = link + " exists and is not a link";
        return false;
    }
    ports_.push_back(Port{name, link, "", -1, -1, ""});
    return true;
}

bool PtyPorts::Create(Port& p, std::string& error) {
    int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char name[128] = {};
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0 ||
        ::ptsname_r(master, name, sizeof name) != 0) {
        error = std::string("cannot make a pty: ") + std::strerror(errno);
        if (master >= 0) ::close(master);
        return false;
    }
    int slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios t{};
    if (slave >= 0 && ::tcgetattr(slave, &t) == 0) {
        ::cfmakeraw(&t);
        ::cfsetspeed(&t, B115200);
        ::tcsetattr(slave, TCSANOW, &t);
    }
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    ::unlink(p.link.c_str());  // a link left by a simulator that did not end cleanly
    if (slave < 0 || ::symlink(name, p.link.c_str()) != 0) {
        error = "cannot link " + p.link + " to " + name + ": " + std::strerror(errno);
        ::close(master);
        if (slave >= 0) ::close(slave);
        return false;
    }
    std::lock_guard lock(mu_);
    p.master = master;
    p.slave = slave;
    p.pty = name;
    p.pending.clear();
    return true;
}

void PtyPorts::Destroy(Port& p) {
    if (p.master < 0) return;
    if (IsOurLink(p.link, p.pty)) ::unlink(p.link.c_str());
    std::lock_guard lock(mu_);
    ::close(p.master);
    ::close(p.slave);
    p.master = p.slave = -1;
    p.pending.clear();
}

bool PtyPorts::Start(std::string& error) {
    for (Port& p : ports_) {
        if (!Create(p, error)) {
            for (Port& q : ports_) Destroy(q);
            return false;
        }
    }
    if (::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) {
        error = "cannot make a pipe";
        return false;
    }
    thread_ = std::thread([this] { Loop(); });
    return true;
}

void PtyPorts::Stop() {
    if (thread_.joinable()) {
        {
            std::lock_guard lock(mu_);
            stop_ = true;
        }
        Wake();
        thread_.join();
    }
    for (Port& p : ports_) Destroy(p);
    for (int& fd : wake_) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
}

void PtyPorts::Wake() {
    if (wake_[1] >= 0) {
        char c = 1;
        [[maybe_unused]] ssize_t n = ::write(wake_[1], &c, 1);
    }
}

void PtyPorts::DiscardInput() {
    discard_input_ = true;
    Wake();
}

std::vector<PortInfo> PtyPorts::Info() {
    std::lock_guard lock(mu_);
    std::vector<PortInfo> info;
    for (const Port& p : ports_) info.push_back({p.name, p.link, p.pty, p.master >= 0});
    return info;
}

void PtyPorts::Loop() {
    for (;;) {
        {
            std::lock_guard lock(mu_);
            if (stop_) return;
        }
        if (discard_input_.exchange(false)) {
            for (Port& p : ports_) {
                if (p.master >= 0) ::tcflush(p.master, TCIFLUSH);
                p.pending.clear();
            }
        }
        // A USB port exists only while its cable is in.
        for (Port& p : ports_) {
            bool absent;
            {
                std::lock_guard lock(h_.mu);
                absent = !h_.cable && p.name == h_.link && !h_.serial_link();
                if (!h_.cable) p.pending.clear();
            }
            std::string error;
            if (absent && p.master >= 0) Destroy(p);
            if (!absent && p.master < 0 && !Create(p, error)) {
                std::lock_guard lock(h_.mu);
                h_.journal.Error(error);
            }
        }
        std::vector<pollfd> fds{{wake_[0], POLLIN, 0}};
        std::vector<Port*> owners{nullptr};
        for (Port& p : ports_) {
            if (p.master < 0) continue;
            fds.push_back(
                {p.master, static_cast<short>(POLLIN | (p.pending.empty() ? 0 : POLLOUT)), 0});
            owners.push_back(&p);
        }
        if (::poll(fds.data(), fds.size(), 100) <= 0) continue;
        if (fds[0].revents & POLLIN) {
            char drain[64];
            while (::read(wake_[0], drain, sizeof drain) > 0) {
            }
        }
        for (std::size_t i = 1; i < fds.size(); ++i) {
            Port& p = *owners[i];
            if (fds[i].revents & POLLIN) Receive(p);
            if (!p.pending.empty() && (fds[i].revents & POLLOUT)) {
                ssize_t n = ::write(p.master, p.pending.data(), p.pending.size());
                if (n > 0) p.pending.erase(0, static_cast<std::size_t>(n));
            }
        }
    }
}

void PtyPorts::Receive(Port& p) {
    unsigned baud;
    {
        std::lock_guard lock(h_.mu);
        baud = h_.baud;
    }
    // A slowed line is read in small bites so that the PC's writes stall as on a real line.
    std::size_t bite = baud == 0 ? 65536 : std::max<std::size_t>(1, baud / 100);
    std::vector<std::uint8_t> buf(bite);
    ssize_t n = ::read(p.master, buf.data(), buf.size());
    if (n <= 0) return;
    {
        std::lock_guard lock(h_.mu);
        bool ours = p.name == h_.link && h_.mode == Mode::BootLoader && h_.cable;
        if (ours && h_.silent) {
            h_.journal.bytes_in += static_cast<std::uint64_t>(n);
        } else if (ours) {
            std::string answer = h_.boot.Feed(buf.data(), static_cast<std::size_t>(n));
            // A placed fault strikes before the boot loader answers what it has just read.
            const bool struck = h_.boot.TakeTripped();
            if (struck) answer.clear();
            auto held = h_.holds.find(p.name);
            if (held != h_.holds.end() && held->second > 0) {
                h_.journal.bytes_to_holder += answer.size();
            } else {
                p.pending += answer;
            }
            if (struck && !h_.fault_pulls_cable) h_.silent = true;
            if (h_.PullDue() || (struck && h_.fault_pulls_cable)) {
                h_.cable = false;
                h_.boot.Reset("cable pulled");
                ++h_.rapi.connection;
                p.pending.clear();
            }
        }
    }
    if (baud != 0) {
        std::this_thread::sleep_for(std::chrono::microseconds(10'000'000LL * n / baud));
    }
}

}  // namespace rig
