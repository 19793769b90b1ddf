#include "sim_harness.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

namespace rigtest {

namespace {

int Connect(std::uint16_t port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) return fd;
    ::close(fd);
    return -1;
}

}  // namespace

Sim::Sim(std::vector<std::string> options) {
    char pattern[] = "/tmp/handheld-sim-test.XXXXXX";
    dir_ = ::mkdtemp(pattern);
    std::vector<std::string> args = {
        HANDHELD_SIM,     "--state-dir", dir_,           "--rapi-port",  "0",
        "--control-port", "0",           "--ready-file", dir_ + "/ready"};
    for (const char* port : {"com1", "com2", "usb1"})
        args.insert(args.end(), {"--port", std::string(port) + "=" + Link(port)});
    args.insert(args.end(), options.begin(), options.end());
    pid_ = ::fork();
    if (pid_ == 0) {
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    for (int i = 0; i < 200 && !std::filesystem::exists(dir_ + "/ready"); ++i) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return;  // could not start; its message went to the test's standard error
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    std::ifstream ready(dir_ + "/ready");
    for (std::string line; std::getline(ready, line);) {
        if (line.starts_with("control=")) control_port_ = std::stoi(line.substr(8));
    }
}

Sim::~Sim() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    std::filesystem::remove_all(dir_);
}

std::string Sim::Control(const std::string& command) {
    int fd = Connect(control_port_);
    if (fd < 0) return "no control channel";
    std::string line = command + "\n";
    // A blocking send of one short line goes whole; a failed one gets no reply below.
    ::send(fd, line.data(), line.size(), MSG_NOSIGNAL);
    std::string reply;
    char c;
    while (::recv(fd, &c, 1, 0) == 1 && c != '\n') reply += c;
    ::close(fd);
    return reply;
}

}  // namespace rigtest
