#pragma once
// handheld-sim started from a Windows program under Wine (as a Unix program, through Wine's
// start.exe), its control channel reached over Winsock. Include it before <windows.h>.

#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace orvo::wine {

class WineSim {
  public:
    // Started with `options`; the stand-in rapi.dll of this process reaches it from then on.
    explicit WineSim(const std::vector<std::string>& options) {
        // This file lies in <source>/tests/win32/; the simulator is built in <source>/build/.
        const std::string source = __FILE__;
        std::string simulator = Environment("ROMWIZARD_HANDHELD_SIM");
        if (simulator.empty()) {
            simulator =
                source.substr(0, source.rfind("/tests/win32/")) + "/build/native/handheld-sim";
        }
        const std::string unix_dir = "/tmp/wine-sim-" + std::to_string(GetCurrentProcessId());
        std::string command = "start.exe /unix " + simulator + " --state-dir " + unix_dir +
                              " --rapi-port 0 --control-port 0 --ready-file " + unix_dir + "/ready";
        for (const std::string& option : options) command += " " + option;
        dir_ = WindowsPath(unix_dir);
        if (Environment("WINEPREFIX").empty()) {
            unavailable_ = "no WINEPREFIX: not running under the project's Wine";
        } else if (!Exists(WindowsPath(simulator))) {
            unavailable_ = "handheld-sim not built at " + simulator;
        }
        if (!unavailable_.empty()) return;
        CreateDirectoryA(dir_.c_str(), nullptr);
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &process)) {
            unavailable_ = "start.exe /unix cannot start " + simulator;
            return;
        }
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        std::string rapi_port;
        for (int i = 0; i < 200 && control_port_ == 0; ++i) {
            Sleep(50);
            std::ifstream ready(dir_ + "\\ready");
            for (std::string line; std::getline(ready, line);) {
                const std::size_t at = line.find('=') + 1;
                if (line.starts_with("control=")) control_port_ = std::stoi(line.substr(at));
                if (line.starts_with("rapi=")) rapi_port = line.substr(at);
            }
        }
        if (control_port_ == 0) unavailable_ = "handheld-sim did not get ready";
        // The stand-in rapi.dll of this process reaches the simulator through this port.
        _putenv_s("ROMWIZARD_SIM_RAPI", rapi_port.c_str());
    }
    ~WineSim() {
        if (control_port_ != 0) Control("quit");
        // The simulator removes its ready file as it ends.
        for (int i = 0; i < 100 && Exists(dir_ + "\\ready"); ++i) Sleep(20);
        DeleteFileA((dir_ + "\\flash.bin").c_str());
        RemoveDirectoryA(dir_.c_str());
    }
    WineSim(const WineSim&) = delete;
    WineSim& operator=(const WineSim&) = delete;

    // Why the simulator cannot run here (not built, no Wine prefix), or empty when it runs.
    const std::string& Unavailable() const { return unavailable_; }
    // One control command and its reply line.
    std::string Control(const std::string& command) {
        static const bool sockets_ready = [] {
            WSADATA data;
            return WSAStartup(0x0202, &data) == 0;
        }();
        if (!sockets_ready || control_port_ == 0) return "error no control channel";
        const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(control_port_);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        std::string reply;
        if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
            const std::string line = command + "\n";
            send(s, line.data(), static_cast<int>(line.size()), 0);
            char chunk[4096];
            for (int n; reply.find('\n') == std::string::npos &&
                        (n = recv(s, chunk, sizeof chunk, 0)) > 0;) {
                reply.append(chunk, static_cast<std::size_t>(n));
            }
        }
        closesocket(s);
        if (!reply.empty() && reply.back() == '\n') reply.pop_back();
        return reply;
    }

  private:
    static std::string Environment(const char* name) {
        const char* value = std::getenv(name);
        return value != nullptr ? value : "";
    }
    // A Unix path as Wine's drive Z: shows it.
    static std::string WindowsPath(std::string path) {
        std::replace(path.begin(), path.end(), '/', '\\');
        return "Z:" + path;
    }
    static bool Exists(const std::string& windows_path) {
        return GetFileAttributesA(windows_path.c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    std::string unavailable_;
    std::string dir_;  // the state folder, as a Windows path
    std::uint16_t control_port_ = 0;
};

}  // namespace orvo::wine
