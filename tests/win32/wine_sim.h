#pragma once
// handheld-sim started from a Windows program under Wine (as a Unix program, through Wine's
// start.exe), with its ports linked into the Wine prefix's device folder so that "\\.\NAME" opens
// them as serial ports, and its control channel reached over Winsock.

#include <cstdint>
#include <string>
#include <vector>

namespace orvo::wine {

class WineSim {
  public:
    // `options` follow the ports; the ports com1 and usb1 are made as devices named by
    // DevicePath("com1") and DevicePath("usb1").
    explicit WineSim(const std::vector<std::string>& options);
    ~WineSim();
    WineSim(const WineSim&) = delete;
    WineSim& operator=(const WineSim&) = delete;

    // Why the simulator cannot run here (not built, no Wine prefix), or empty when it runs.
    const std::string& Unavailable() const { return unavailable_; }
    // "\\.\WCEUSBSH0NN" for the port kind, unique to this process.
    std::string DevicePath(const std::string& kind) const;
    // The port of its remote-API face, for the stand-in rapi.dll.
    std::uint16_t RapiPort() const { return rapi_port_; }
    // One control command and its reply line.
    std::string Control(const std::string& command);

  private:
    std::string DeviceName(const std::string& kind) const;

    std::string unavailable_;
    std::string dir_;     // the state folder, as a Windows path
    std::string prefix_;  // the Wine prefix, as a Unix path
    std::uint16_t control_port_ = 0;
    std::uint16_t rapi_port_ = 0;
};

}  // namespace orvo::wine
