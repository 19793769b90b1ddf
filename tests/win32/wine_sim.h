#pragma once
// handheld-sim started from a Windows program under Wine (as a Unix program, through Wine's
// start.exe), its control channel reached over Winsock.

#include <cstdint>
#include <string>
#include <vector>

namespace orvo::wine {

class WineSim {
  public:
    // Started with `options`; the stand-in rapi.dll of this process reaches it from then on.
    explicit WineSim(const std::vector<std::string>& options);
    ~WineSim();
    WineSim(const WineSim&) = delete;
    WineSim& operator=(const WineSim&) = delete;

    // Why the simulator cannot run here (not built, no Wine prefix), or empty when it runs.
    const std::string& Unavailable() const { return unavailable_; }
    // One control command and its reply line.
    std::string Control(const std::string& command);

  private:
    std::string unavailable_;
    std::string dir_;  // the state folder, as a Windows path
    std::uint16_t control_port_ = 0;
};

}  // namespace orvo::wine
