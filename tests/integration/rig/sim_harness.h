#pragma once
// Runs handheld-sim as a child process in a folder of its own, with its ports and its control
// channel, for the tests and benchmarks of the link against it.
#include <cstdint>
#include <string>
#include <vector>

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

    std::string Link(const std::string& port) const { return dir_ + "/" + port; }
    std::string FlashFile() const { return dir_ + "/flash.bin"; }
    bool running() const { return pid_ > 0; }

  private:
    std::string dir_;
    int pid_ = -1;
    std::uint16_t control_port_ = 0;
};

}  // namespace rigtest
