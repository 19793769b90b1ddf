// handheld-sim: one simulated Orvo 4700 handheld. See README.md, "The simulated handheld".
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include "../common/wire.h"
#include "control.h"
#include "pty_ports.h"
#include "rapi_face.h"
#include "tcp.h"

namespace {

constexpr char kUsage[] =
    "usage: handheld-sim [options]\n"
    "  --state-dir DIR          folder of the flash file (default: .)\n"
    "  --flash FILE             flash file, made on first use (default: STATE_DIR/flash.bin)\n"
    "  --flash-mb N             ROM size in MB (default 32)\n"
    "  --model TEXT, --romtype TEXT, --lang TEXT, --version TEXT\n"
    "                           identity (default Orvo 4700, NBT, GER, 2.04)\n"
    "  --port NAME=PATH         make a pty for port NAME (com1, com2, usb1, usb2), link it at "
    "PATH\n"
    "  --link NAME              the port the boot loader answers on (default com1)\n"
    "  --mode normal|bootloader|off   face at start (default normal)\n"
    "  --mains on|off           mains adapter at start (default on)\n"
    "  --rapi-port N            remote-API port on 127.0.0.1 (default 49470, 0: any free)\n"
    "  --rapi-strict            remote-API sessions as the platform counts them: a nested one\n"
    "                           is refused, the first CeRapiUninit ends the connection\n"
    "  --control-port N         control port on 127.0.0.1 (default 49471, 0: any free)\n"
    "  --ready-file FILE        written when up: rapi=PORT, control=PORT, pid=PID; removed at "
    "exit\n";

std::atomic<bool> g_quit{false};

void ServeControl(rig::Handheld& h, rig::PtyPorts& ports, int fd) {
    std::string buffer;
    char chunk[512];
    rig::ControlSession session;
    struct End {
        rig::Handheld& h;
        rig::ControlSession& s;
        ~End() { rig::EndControlSession(h, s); }
    } end{h, session};
    for (;;) {
        std::size_t nl;
        while ((nl = buffer.find('\n')) == std::string::npos) {
            ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
            if (n <= 0) return;
            buffer.append(chunk, static_cast<std::size_t>(n));
        }
        std::string line = buffer.substr(0, nl);
        buffer.erase(0, nl + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        bool quit = false;
        std::string reply = rig::RunControlCommand(h, ports, session, line, quit) + "\n";
        if (!rig::WriteAll(fd, reply.data(), reply.size())) return;
        if (quit) {
            g_quit = true;
            return;
        }
    }
}

void ServeRapi(rig::Handheld& h, int fd) {
    std::vector<std::uint8_t> body;
    while (rig::ReadMessage(fd, body)) {
        rig::wire::Reply reply{0, rig::kErrorInvalidParameter, {}};
        if (auto request = rig::wire::DecodeRequest(body)) reply = rig::HandleRapi(h, *request);
        if (!rig::WriteMessage(fd, rig::wire::EncodeReply(reply))) return;
    }
}

struct Options {
    std::string state_dir = ".";
    std::string flash;
    std::string link = "com1";
    std::string ready_file;
    rig::Mode mode = rig::Mode::Normal;
    bool mains = true;
    bool rapi_strict = false;
    unsigned rapi_port = rig::wire::kDefaultRapiPort;
    unsigned control_port = rig::wire::kDefaultControlPort;
    rig::Identity id;
    std::vector<std::pair<std::string, std::string>> ports;
};

bool ParsePort(const char* text, unsigned& port) {
    char* end = nullptr;
    unsigned long v = std::strtoul(text, &end, 10);
    port = static_cast<unsigned>(v);
    return *end == '\0' && v <= 65535;
}

bool Parse(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--help") return false;
        if (a == "--rapi-strict") {
            o.rapi_strict = true;
            continue;
        }
        if (i + 1 >= argc) {
            std::cerr << "handheld-sim: " << a << " needs a value\n";
            return false;
        }
        const char* v = argv[++i];
        std::string value = v;
        if (a == "--state-dir") {
            o.state_dir = value;
        } else if (a == "--flash") {
            o.flash = value;
        } else if (a == "--flash-mb") {
            o.id.flash_mb = static_cast<unsigned>(std::atoi(v));
        } else if (a == "--model") {
            o.id.model = value;
        } else if (a == "--romtype") {
            o.id.rom_type = value;
        } else if (a == "--lang") {
            o.id.lang = value;
        } else if (a == "--version") {
            o.id.version = value;
        } else if (a == "--link") {
            o.link = value;
        } else if (a == "--port" && value.find('=') != std::string::npos) {
            o.ports.emplace_back(value.substr(0, value.find('=')),
                                 value.substr(value.find('=') + 1));
        } else if (a == "--mode" && rig::ParseMode(value)) {
            o.mode = *rig::ParseMode(value);
        } else if (a == "--mains" && (value == "on" || value == "off")) {
            o.mains = value == "on";
        } else if (a == "--rapi-port" && ParsePort(v, o.rapi_port)) {
        } else if (a == "--control-port" && ParsePort(v, o.control_port)) {
        } else if (a == "--ready-file") {
            o.ready_file = value;
        } else {
            std::cerr << "handheld-sim: bad option " << a << " " << value << "\n";
            return false;
        }
    }
    if (o.flash.empty()) o.flash = o.state_dir + "/flash.bin";
    return true;
}

int Fail(const std::string& why) {
    std::cerr << "handheld-sim: " << why << "\n";
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!Parse(argc, argv, o)) {
        std::cerr << kUsage;
        return 2;
    }
    // Every thread leaves SIGINT and SIGTERM to the main thread, which shuts down cleanly.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    rig::Handheld h;
    h.id = o.id;
    h.link = o.link;
    h.mains = o.mains;
    h.rapi_strict = o.rapi_strict;
    std::string error;
    if (!h.OpenFlash(o.flash, error)) return Fail(error);
    h.Restart(o.mode);
    rig::PtyPorts ports(h);
    bool link_known = false;
    for (const auto& [name, path] : o.ports) {
        if (!ports.Add(name, path, error)) return Fail(error);
        link_known = link_known || name == o.link;
    }
    if (!o.ports.empty() && !link_known) return Fail("--link " + o.link + " names no --port");
    if (!ports.Start(error)) return Fail(error);

    rig::TcpServer rapi;
    rig::TcpServer control;
    if (!rapi.Start(
            static_cast<std::uint16_t>(o.rapi_port), [&h](int fd) { ServeRapi(h, fd); }, error) ||
        !control.Start(
            static_cast<std::uint16_t>(o.control_port),
            [&h, &ports](int fd) { ServeControl(h, ports, fd); }, error)) {
        ports.Stop();
        return Fail(error);
    }
    if (!o.ready_file.empty()) {
        std::string tmp = o.ready_file + ".tmp";
        std::ofstream(tmp) << "rapi=" << rapi.port() << "\ncontrol=" << control.port()
                           << "\npid=" << ::getpid() << "\n";
        std::rename(tmp.c_str(), o.ready_file.c_str());
    }
    std::cout << "handheld-sim: remote API on 127.0.0.1:" << rapi.port()
              << ", control on 127.0.0.1:" << control.port() << std::endl;

    timespec tick{0, 100'000'000};
    while (!g_quit) {
        int sig = sigtimedwait(&signals, nullptr, &tick);
        if (sig == SIGINT || sig == SIGTERM || sig == SIGHUP) break;
    }
    control.Stop();
    rapi.Stop();
    ports.Stop();
    if (!o.ready_file.empty()) std::remove(o.ready_file.c_str());
    std::cout << "handheld-sim: stopped" << std::endl;
    return 0;
}
