#pragma once
// Loopback TCP for the simulator's two sockets: a server that runs one thread per client, and
// the framing of remote-API messages (a 32-bit length, then the body).
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace rig {

bool WriteAll(int fd, const void* data, std::size_t size);
bool ReadAll(int fd, void* data, std::size_t size);
bool ReadMessage(int fd, std::vector<std::uint8_t>& body);
bool WriteMessage(int fd, const std::vector<std::uint8_t>& body);

class TcpServer {
  public:
    using Handler = std::function<void(int fd)>;
    TcpServer() = default;
    TcpServer(const TcpServer&) = delete;
    TcpServer& operator=(const TcpServer&) = delete;
    ~TcpServer();

    // Listens on 127.0.0.1:port (0 picks a free port). The handler runs on its own thread per
    // client and returns when the client is done; the server closes the socket.
    bool Start(std::uint16_t port, Handler handler, std::string& error);
    // Stops accepting, cuts every client off and waits for the handlers.
    void Stop();
    std::uint16_t port() const { return port_; }

  private:
    void AcceptLoop();

    int listen_fd_ = -1;
    std::uint16_t port_ = 0;
    Handler handler_;
    std::thread acceptor_;
    std::mutex mu_;
    std::set<int> clients_;
    std::map<unsigned, std::thread> workers_;
    std::vector<unsigned> finished_;  // workers whose handler returned, to be joined
    unsigned next_worker_ = 0;
    bool stopping_ = false;
};

}  // namespace rig
