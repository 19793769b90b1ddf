#pragma once
// A boot loader played by the test on the far side of a pseudo-terminal: it speaks the line
// protocol as far as the PC needs it (port test, framed identity read, load commands answered
// with key lines and request bytes, screen messages), takes every record it is sent without
// checking it, and misbehaves in exactly one way.

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

namespace orvo::simtest {

enum class Misbehaviour {
    QuietAfterIdentity,   // answers nothing once the identity has been read
    QuietAfterFirstEnd,   // answers nothing once the first download's end record came
    StopsReadingInBlock,  // stops reading in the middle of the first block
    EchoesEverything,     // once the identity has been read, echoes every byte back
    KeepAliveInDownload,  // after the header, a keep-alive byte every 5 s instead of requests
    ShortLengthKey,       // first download: a length key one block shorter than commanded
    UnalignedOffsetKey,   // first download: offset key 80001
    AddressKeyZero,       // first download: address key 0
    KeysNotRepeated,      // second download: no key lines
    UnaskedDownload,      // starts a download of its own right after the identity
    LengthKeyZero,        // first download: length key 0
    LengthKeyTooLarge,    // first download: length key 7FFFFFFF
    OffsetKeyBeyond,      // first download: offset key beyond the length
    NoFileKey,            // first download: no file-name key
    OverlongIdentity,     // answers the identity read with a 200-byte line
    DiesAfterLastEnd,     // stops reading before the last end record, then hangs up
};

class HostilePeer {
  public:
    // `clock_factor`: how much faster than the wall clock the PC's clock runs.
    HostilePeer(Misbehaviour misbehaviour, std::string version, int clock_factor)
        : fault_(misbehaviour), version_(std::move(version)), factor_(clock_factor) {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        char name[128] = {};
        if (master_ >= 0 && ::grantpt(master_) == 0 && ::unlockpt(master_) == 0 &&
            ::ptsname_r(master_, name, sizeof name) == 0) {
            path_ = std::filesystem::temp_directory_path() /
                    ("hostile-peer-" + std::to_string(::getpid()) + "-" +
                     std::to_string(reinterpret_cast<std::uintptr_t>(this)));
            std::filesystem::create_symlink(name, path_);
        }
        thread_ = std::thread([this] { Run(); });
    }
    ~HostilePeer() {
        stop_ = true;
        thread_.join();
        if (master_ >= 0) ::close(master_);
        std::filesystem::remove(path_);
    }
    HostilePeer(const HostilePeer&) = delete;
    HostilePeer& operator=(const HostilePeer&) = delete;

    std::string Path() const { return path_.string(); }

  private:
    enum class Mode { Plain, Framed, Sync, FileHeader, Records, Quiet, Echo, Deaf };

    void Run() {
        std::string pending;
        auto next_keep_alive = std::chrono::steady_clock::now();
        while (!stop_) {
            if (mode_ == Mode::Deaf || master_ < 0) {
                if (hang_up_at_ && std::chrono::steady_clock::now() >= *hang_up_at_) {
                    ::close(master_);
                    master_ = -1;
                    hang_up_at_.reset();
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            if (keep_alive_ && std::chrono::steady_clock::now() >= next_keep_alive) {
                Write(".");
                next_keep_alive = std::chrono::steady_clock::now() + Wall(5000);
            }
            pollfd fd{master_, POLLIN, 0};
            if (::poll(&fd, 1, 1) <= 0 || !(fd.revents & POLLIN)) continue;
            char chunk[4096];
            // Records are taken whole-sized where they can be, bytes one by one elsewhere, so
            // that a misbehaviour starts at its exact byte.
            const std::size_t want = mode_ == Mode::Records ? sizeof chunk : 1;
            const ssize_t n = ::read(master_, chunk, want);
            if (n <= 0) continue;
            for (ssize_t i = 0; i < n && mode_ != Mode::Deaf; ++i) Take(chunk[i], pending);
        }
    }

    std::chrono::milliseconds Wall(int clock_ms) const {
        return std::chrono::milliseconds(std::max(1, clock_ms / factor_));
    }

    // An answer, unless the peer has gone quiet.
    void Send(const std::string& bytes) {
        if (mode_ != Mode::Quiet) Write(bytes);
    }
    void Write(const std::string& bytes) {
        if (master_ < 0) return;
        [[maybe_unused]] const ssize_t n = ::write(master_, bytes.data(), bytes.size());
    }

    void Take(char c, std::string& pending) {
        if (mode_ == Mode::Echo) {
            Send(std::string(1, c));
            return;
        }
        pending.push_back(c);
        switch (mode_) {
            case Mode::Plain:
                if (c == '\r') {
                    PlainLine(pending.substr(0, pending.size() - 1));
                    pending.clear();
                }
                break;
            case Mode::Framed:
                if (pending.ends_with("QARE")) {
                    Frame(pending);
                    pending.clear();
                } else if (pending == "\r") {
                    mode_ = Mode::Plain;  // a line flush
                    pending.clear();
                }
                break;
            case Mode::Sync:
                if (pending.ends_with("B000FF\n")) {
                    pending.clear();
                    mode_ = Mode::FileHeader;
                    Send("\x01");
                }
                break;
            case Mode::FileHeader:
                if (pending.size() == 8) {
                    remaining_ = Le32(pending, 4);
                    pending.clear();
                    mode_ = Mode::Records;
                    if (fault_ == Misbehaviour::KeepAliveInDownload) {
                        keep_alive_ = true;
                        mode_ = Mode::Quiet;
                    } else {
                        Send("\x02");
                    }
                }
                break;
            case Mode::Records:
                Record(pending);
                break;
            case Mode::Quiet:
            case Mode::Echo:
            case Mode::Deaf:
                pending.clear();
                break;
        }
    }

    static std::uint32_t Le32(const std::string& bytes, std::size_t at) {
        std::uint32_t value = 0;
        for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<std::uint8_t>(bytes[at + i]);
        return value;
    }

    void PlainLine(const std::string& line) {
        if (line.ends_with("Port Test")) {
            Send(line + "\r\r\n");
        } else if (line == "$ZIB$") {
            mode_ = Mode::Framed;
        } else if (line.starts_with("lnb ")) {
            Load(line);
        }
    }

    void Frame(const std::string& frame) {
        if (frame.find("$ZIB$") != std::string::npos) {
            mode_ = Mode::Plain;
            AfterIdentity();
            return;
        }
        if (frame.find("readdata") == std::string::npos) return;
        if (fault_ == Misbehaviour::OverlongIdentity) {
            Send("QARS " + std::string(200, 'x') + "QARE\r\n");
            return;
        }
        std::string record = "Orvo 4700NBTGER" + version_;
        record.resize(40, ' ');
        Send("QARS " + record + "QARE\r\n");
    }

    void AfterIdentity() {
        switch (fault_) {
            case Misbehaviour::QuietAfterIdentity:
                mode_ = Mode::Quiet;
                break;
            case Misbehaviour::EchoesEverything:
                mode_ = Mode::Echo;
                break;
            case Misbehaviour::UnaskedDownload:
                Send("start NB image download\r\n");
                mode_ = Mode::Sync;
                break;
            default:
                break;
        }
    }

    // lnb FILE ADDRESS LENGTH OFFSET: the key lines, as the misbehaviour has them (a null key
    // is left out, an empty one repeats the command's value).
    void Load(const std::string& line) {
        struct Keys {
            Misbehaviour fault;
            const char* file;
            const char* address;
            const char* length;
            const char* offset;
        };
        static constexpr Keys kFirstDownload[] = {
            {Misbehaviour::ShortLengthKey, "", "", "80100", ""},  // the tests' image: a0100
            {Misbehaviour::UnalignedOffsetKey, "", "", "", "80001"},
            {Misbehaviour::AddressKeyZero, "", "0", "", ""},
            {Misbehaviour::LengthKeyZero, "", "", "0", ""},
            {Misbehaviour::LengthKeyTooLarge, "", "", "7FFFFFFF", ""},
            {Misbehaviour::OffsetKeyBeyond, "", "", "", "FFFFFFF"},
            {Misbehaviour::NoFileKey, nullptr, "", "", ""},
        };
        char words[4][64] = {};
        if (std::sscanf(line.c_str(), "lnb %63s %63s %63s %63s", words[0], words[1], words[2],
                        words[3]) != 4) {
            return;
        }
        Keys keys{fault_, "", "", "", ""};
        for (const Keys& change : kFirstDownload) {
            if (change.fault == fault_ && downloads_ == 0) keys = change;
        }
        if (fault_ == Misbehaviour::KeysNotRepeated && downloads_ == 1) {
            keys = {fault_, nullptr, nullptr, nullptr, nullptr};
        }
        std::string answer = line + "\r\n";
        const char* values[] = {keys.file, keys.address, keys.length, keys.offset};
        const char* names[] = {":F=", ":A=", ":L=", ":O="};
        for (int i = 0; i < 4; ++i) {
            if (values[i])
                answer += names[i] + std::string(*values[i] ? values[i] : words[i]) + "\r\n";
        }
        Send(answer + "start NB image download\r\n");
        mode_ = Mode::Sync;
    }

    // A block header and its data, or the end record; the next request once one is whole.
    void Record(std::string& pending) {
        if (pending.size() < 12) return;
        if (pending.compare(0, 12, std::string(12, '\0')) == 0) {
            pending.erase(0, 12);
            ++downloads_;
            mode_ = Mode::Plain;
            if (fault_ == Misbehaviour::QuietAfterFirstEnd) mode_ = Mode::Quiet;
            return;
        }
        constexpr std::size_t kBlock = 0x20000;
        if (fault_ == Misbehaviour::StopsReadingInBlock && pending.size() >= 12 + kBlock / 2) {
            mode_ = Mode::Deaf;
            return;
        }
        if (pending.size() < 12 + kBlock) return;
        pending.erase(0, 12 + kBlock);
        remaining_ = remaining_ > kBlock ? remaining_ - static_cast<std::uint32_t>(kBlock) : 0;
        if (fault_ == Misbehaviour::DiesAfterLastEnd && downloads_ == 1 && remaining_ == 0) {
            Send("\x02");
            mode_ = Mode::Deaf;
            hang_up_at_ = std::chrono::steady_clock::now() + Wall(500);
            return;
        }
        Send("\x02");
    }

    const Misbehaviour fault_;
    const std::string version_;
    const int factor_;
    int master_ = -1;
    std::filesystem::path path_;
    std::atomic<bool> stop_{false};
    int downloads_ = 0;
    Mode mode_ = Mode::Plain;
    std::uint32_t remaining_ = 0;
    bool keep_alive_ = false;
    std::optional<std::chrono::steady_clock::time_point> hang_up_at_;
    std::thread thread_;
};

}  // namespace orvo::simtest
