#include "sim_link.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdlib>
#include <fstream>
#include <mutex>

namespace rig {

namespace {

HMODULE g_module = nullptr;

std::uint16_t SimulatorPort() {
    if (const char* env = std::getenv("ROMWIZARD_SIM_RAPI"); env != nullptr && *env != '\0') {
        return static_cast<std::uint16_t>(std::atoi(env));
    }
    char path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameA(g_module, path, MAX_PATH);
    std::string dir(path, n);
    dir = dir.substr(0, dir.find_last_of("\\/") + 1);
    std::ifstream file(dir + "rapi-sim.txt");
    for (std::string line; std::getline(file, line);) {
        if (line.rfind("rapi=", 0) == 0)
            return static_cast<std::uint16_t>(std::atoi(line.c_str() + 5));
    }
    return wire::kDefaultRapiPort;
}

bool SendAll(SOCKET s, const std::uint8_t* p, std::size_t n) {
    while (n > 0) {
        int sent = send(s, reinterpret_cast<const char*>(p), static_cast<int>(n), 0);
        if (sent <= 0) return false;
        p += sent;
        n -= static_cast<std::size_t>(sent);
    }
    return true;
}

bool RecvAll(SOCKET s, std::uint8_t* p, std::size_t n) {
    while (n > 0) {
        int got = recv(s, reinterpret_cast<char*>(p), static_cast<int>(n), 0);
        if (got <= 0) return false;
        p += got;
        n -= static_cast<std::size_t>(got);
    }
    return true;
}

class Socket {
  public:
    Socket() : s_(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)) {}
    ~Socket() {
        if (s_ != INVALID_SOCKET) closesocket(s_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    SOCKET get() const { return s_; }

  private:
    SOCKET s_;
};

}  // namespace

void SetLibraryModule(HMODULE module) { g_module = module; }

std::optional<wire::Reply> CallSimulator(wire::Op op, std::uint32_t connection,
                                         std::vector<std::uint8_t> payload) {
    static std::once_flag winsock;
    std::call_once(winsock, [] {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    });
    static const std::uint16_t port = SimulatorPort();
    Socket s;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (s.get() == INVALID_SOCKET ||
        connect(s.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        return std::nullopt;
    }
    BOOL one = TRUE;
    setsockopt(s.get(), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
    std::vector<std::uint8_t> body = wire::EncodeRequest({op, connection, std::move(payload)});
    auto size = static_cast<std::uint32_t>(body.size());
    if (!SendAll(s.get(), reinterpret_cast<std::uint8_t*>(&size), 4) ||
        !SendAll(s.get(), body.data(), body.size()) ||
        !RecvAll(s.get(), reinterpret_cast<std::uint8_t*>(&size), 4) || size > wire::kMaxMessage) {
        return std::nullopt;
    }
    body.resize(size);
    if (!RecvAll(s.get(), body.data(), size)) return std::nullopt;
    return wire::DecodeReply(body);
}

void NoteToSimulator(const std::string& text) {
    wire::Writer w;
    w.Bytes(text.data(), text.size());
    CallSimulator(wire::Op::Note, 0, w.Take());
}

}  // namespace rig
