#include "tcp.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "../common/wire.h"

namespace rig {

bool WriteAll(int fd, const void* data, std::size_t size) {
    const auto* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = ::send(fd, p, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool ReadAll(int fd, void* data, std::size_t size) {
    auto* p = static_cast<char*>(data);
    while (size > 0) {
        ssize_t n = ::recv(fd, p, size, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool ReadMessage(int fd, std::vector<std::uint8_t>& body) {
    std::uint32_t size = 0;
    if (!ReadAll(fd, &size, 4) || size > wire::kMaxMessage) return false;
    body.resize(size);
    return ReadAll(fd, body.data(), size);
}

bool WriteMessage(int fd, const std::vector<std::uint8_t>& body) {
    auto size = static_cast<std::uint32_t>(body.size());
    return WriteAll(fd, &size, 4) && WriteAll(fd, body.data(), body.size());
}

TcpServer::~TcpServer() { Stop(); }

bool TcpServer::Start(std::uint16_t port, Handler handler, std::string& error) {
    listen_fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    ::setsockopt(listen_fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(port);
    socklen_t len = sizeof addr;
    if (listen_fd_ < 0 ||
        ::bind(listen_fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listen_fd_, 16) != 0 ||
        ::getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        error = "cannot listen on 127.0.0.1:" + std::to_string(port) + ": " + std::strerror(errno);
        if (listen_fd_ >= 0) ::close(listen_fd_);
        listen_fd_ = -1;
        return false;
    }
    port_ = ntohs(addr.sin_port);
    handler_ = std::move(handler);
    acceptor_ = std::thread([this] { AcceptLoop(); });
    return true;
}

void TcpServer::AcceptLoop() {
    for (;;) {
        int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            return;  // the listening socket was shut down
        }
        int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        std::vector<std::thread> done;
        {
            std::lock_guard lock(mu_);
            if (stopping_) {
                ::close(fd);
                return;
            }
            for (unsigned id : finished_) {
                done.push_back(std::move(workers_[id]));
                workers_.erase(id);
            }
            finished_.clear();
            clients_.insert(fd);
            unsigned id = next_worker_++;
            workers_[id] = std::thread([this, fd, id] {
                handler_(fd);
                std::lock_guard lock(mu_);
                clients_.erase(fd);
                ::close(fd);
                finished_.push_back(id);
            });
        }
        for (auto& t : done) t.join();
    }
}

void TcpServer::Stop() {
    if (listen_fd_ < 0) return;
    std::map<unsigned, std::thread> workers;
    {
        std::lock_guard lock(mu_);
        stopping_ = true;
        ::shutdown(listen_fd_, SHUT_RDWR);
        for (int fd : clients_) ::shutdown(fd, SHUT_RDWR);
    }
    acceptor_.join();
    {
        std::lock_guard lock(mu_);
        workers.swap(workers_);
    }
    for (auto& [id, w] : workers) w.join();
    ::close(listen_fd_);
    listen_fd_ = -1;
}

}  // namespace rig
