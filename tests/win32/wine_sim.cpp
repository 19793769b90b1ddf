#include "wine_sim.h"

#include <winsock2.h>
#include <windows.h>

#include <chrono>
#include <fstream>
#include <thread>

namespace orvo::wine {
namespace {

// This file lies at <source>/tests/win32/; the simulator is built natively beside the sources.
std::string DefaultSimulator() {
    std::string file = __FILE__;
    const std::size_t at = file.rfind("/tests/win32/");
    return at == std::string::npos ? std::string()
                                   : file.substr(0, at) + "/build/native/handheld-sim";
}

std::string Environment(const char* name) {
    char value[1024];
    const DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n > 0 && n < sizeof value ? std::string(value, n) : std::string();
}

// A Unix path as Wine's drive Z: shows it.
std::string WindowsPath(const std::string& unix_path) {
    std::string path = "Z:" + unix_path;
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
}

bool FileExists(const std::string& windows_path) {
    return GetFileAttributesA(windows_path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Winsock, started once for the control channel.
bool SocketsReady() {
    static const bool ready = [] {
        WSADATA data;
        return WSAStartup(0x0202, &data) == 0;
    }();
    return ready;
}

}  // namespace

WineSim::WineSim(const std::vector<std::string>& options) {
    std::string simulator = Environment("ROMWIZARD_HANDHELD_SIM");
    if (simulator.empty()) simulator = DefaultSimulator();
    if (Environment("WINEPREFIX").empty()) {
        unavailable_ = "no WINEPREFIX: not running under the project's Wine";
        return;
    }
    if (!FileExists(WindowsPath(simulator))) {
        unavailable_ = "handheld-sim not built at " + simulator;
        return;
    }
    const std::string unix_dir = "/tmp/wine-sim-" + std::to_string(GetCurrentProcessId());
    dir_ = WindowsPath(unix_dir);
    CreateDirectoryA(dir_.c_str(), nullptr);
    std::string command = "start.exe /unix " + simulator + " --state-dir " + unix_dir;
    command += " --rapi-port 0 --control-port 0 --ready-file " + unix_dir + "/ready";
    for (const std::string& option : options) command += " " + option;

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
    for (int i = 0; i < 200 && control_port_ == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::ifstream ready(dir_ + "\\ready");
        for (std::string line; std::getline(ready, line);) {
            if (line.rfind("control=", 0) == 0)
                control_port_ = static_cast<std::uint16_t>(std::stoi(line.substr(8)));
            if (line.rfind("rapi=", 0) == 0)
                rapi_port_ = static_cast<std::uint16_t>(std::stoi(line.substr(5)));
        }
    }
    if (control_port_ == 0) unavailable_ = "handheld-sim did not get ready";
}

WineSim::~WineSim() {
    if (control_port_ != 0) Control("quit");
    // The simulator removes its links and its ready file as it ends.
    for (int i = 0; i < 100 && FileExists(dir_ + "\\ready"); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    DeleteFileA((dir_ + "\\flash.bin").c_str());
    RemoveDirectoryA(dir_.c_str());
}

std::string WineSim::Control(const std::string& command) {
    if (!SocketsReady() || control_port_ == 0) return "error no control channel";
    const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = static_cast<u_short>((control_port_ >> 8) | (control_port_ << 8));
    address.sin_addr.s_addr = 0x0100007F;  // 127.0.0.1 in network order
    std::string reply;
    if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        const std::string line = command + "\n";
        send(s, line.data(), static_cast<int>(line.size()), 0);
        char chunk[4096];
        while (reply.find('\n') == std::string::npos) {
            const int n = recv(s, chunk, sizeof chunk, 0);
            if (n <= 0) break;
            reply.append(chunk, static_cast<std::size_t>(n));
        }
    }
    closesocket(s);
    if (!reply.empty() && reply.back() == '\n') reply.pop_back();
    return reply;
}

}  // namespace orvo::wine
