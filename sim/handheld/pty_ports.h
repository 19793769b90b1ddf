#pragma once
// The handheld's end of its serial and USB serial lines: one pseudo-terminal per port, linked
// where the PC side expects it. Bytes on the port the boot loader answers on go to the boot
// loader while the handheld is in it; every other port, and every port in the other modes, takes
// bytes and says nothing. A pulled USB cable takes its port away; a pulled serial cable leaves
// the port there but dead.
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "handheld.h"

namespace rig {

struct PortInfo {
    std::string name;
    std::string link;
    std::string pty;
    bool present = false;
};

class PtyPorts {
  public:
    explicit PtyPorts(Handheld& h) : h_(h) {}
    ~PtyPorts();
    PtyPorts(const PtyPorts&) = delete;
    PtyPorts& operator=(const PtyPorts&) = delete;

    // Before Start: a port named com1, com2, usb1 or usb2, linked at `link`.
    bool Add(const std::string& name, const std::string& link, std::string& error);
    bool Start(std::string& error);
    // Closes every pty and removes every link.
    void Stop();
    // Makes the port thread look at the handheld's cable again.
    void Wake();
    // The handheld restarted: what the PC sent before and the handheld had not yet read is
    // lost, as a restarted device loses what was in flight.
    void DiscardInput();
    std::vector<PortInfo> Info();

  private:
    struct Port {
        std::string name;
        std::string link;
        std::string pty;
        int master = -1;
        int slave = -1;  // kept open so that the line stays up between the PC's opens
        std::string pending;
    };
    bool Create(Port& p, std::string& error);
    void Destroy(Port& p);
    void Loop();
    void Receive(Port& p);

    Handheld& h_;
    std::mutex mu_;  // guards the ports' presence for Info
    std::vector<Port> ports_;
    std::thread thread_;
    int wake_[2] = {-1, -1};
    bool stop_ = false;  // guarded by mu_
    std::atomic<bool> discard_input_{false};
};

}  // namespace rig
