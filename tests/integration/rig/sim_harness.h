#pragma once
// Runs handheld-sim as a child process in a folder of its own and talks to it as the rig's users
// do: control lines, the boot-loader ptys, the remote-API socket.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "common/wire.h"

namespace rigtest {

class Sim {
  public:
    // Extra command-line options after the folder, ports (com1, com2, usb1) and free TCP ports.
    explicit Sim(std::vector<std::string> options = {});
    ~Sim();
    Sim(const Sim&) = delete;
    Sim& operator=(const Sim&) = delete;

    // One control command; returns the reply line.
    std::string Control(const std::string& command);
    std::string State() { return Control("state"); }
    // Sends quit and waits for the process; returns its exit status (or -1).
    int Quit();
    // Sends a signal and waits for the process; returns its exit status (or -1).
    int Signal(int sig);

    std::string Link(const std::string& port) const { return dir_ + "/" + port; }
    std::string FlashFile() const { return dir_ + "/flash.bin"; }
    std::uint16_t rapi_port() const { return rapi_port_; }
    bool running() const { return pid_ > 0; }

  private:
    int Wait();
    std::string dir_;
    int pid_ = -1;
    std::uint16_t rapi_port_ = 0;
    std::uint16_t control_port_ = 0;
};

// The PC's end of one of the handheld's lines.
class Line {
  public:
    explicit Line(const std::string& path);
    ~Line();
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;
    bool ok() const { return fd_ >= 0; }

    bool Write(const std::string& bytes);
    bool Write(const std::vector<std::uint8_t>& bytes);
    // Reads until `marker` has arrived or `ms` pass; returns all that was read.
    std::string ReadUntil(const std::string& marker, int ms = 3000);
    // Everything that arrives within `ms`.
    std::string ReadFor(int ms);
    // Result of the last read: false once the other side has gone.
    bool alive() const { return alive_; }

  private:
    int fd_ = -1;
    bool alive_ = true;
};

// A remote-API client speaking the simulator's wire messages directly.
class Rapi {
  public:
    explicit Rapi(std::uint16_t port) : port_(port) {}
    // Opens a session; false when the handheld is not connected.
    bool Init();
    void Uninit();
    rig::wire::Reply Call(rig::wire::Op op, const rig::wire::Writer& w,
                          std::uint32_t connection_override = 0);
    // File calls with the platform's values; handle or 0xFFFFFFFF.
    std::uint32_t Create(const std::string& path, std::uint32_t access, std::uint32_t share,
                         std::uint32_t disposition, std::uint32_t& error);
    bool Put(const std::string& path, const std::vector<std::uint8_t>& data);
    rig::wire::Reply Invoke(const std::string& library, const std::string& entry,
                            const std::vector<std::uint8_t>& input);
    std::uint32_t connection() const { return connection_; }

  private:
    std::uint16_t port_;
    std::uint32_t connection_ = 0;
};

// The parts that `text` lacks, one a line; empty when it has them all.
std::string Missing(const std::string& text, std::initializer_list<std::string> parts);
std::vector<std::uint8_t> Utf16(const std::string& text);
// 32-bit numbers, least significant byte first, as the download records carry them.
std::vector<std::uint8_t> Le32s(std::initializer_list<std::uint32_t> values);
std::vector<std::uint8_t> ReadFile(const std::string& path);
std::string Sha256(const std::vector<std::uint8_t>& data);

}  // namespace rigtest
