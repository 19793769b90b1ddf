#include "sim_harness.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

#include <openssl/evp.h>

namespace rigtest {

namespace {

int Connect(std::uint16_t port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool SendAll(int fd, const void* data, std::size_t size) {
    const auto* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = ::send(fd, p, size, MSG_NOSIGNAL);
        if (n <= 0) return false;
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool RecvAll(int fd, void* data, std::size_t size) {
    auto* p = static_cast<char*>(data);
    while (size > 0) {
        ssize_t n = ::recv(fd, p, size, 0);
        if (n <= 0) return false;
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

Sim::Sim(std::vector<std::string> options) {
    char pattern[] = "/tmp/handheld-sim-test.XXXXXX";
    dir_ = ::mkdtemp(pattern);
    std::vector<std::string> args = {
        HANDHELD_SIM,     "--state-dir", dir_,           "--rapi-port",  "0",
        "--control-port", "0",           "--ready-file", dir_ + "/ready"};
    for (const char* port : {"com1", "com2", "usb1"}) {
        args.insert(args.end(), {"--port", std::string(port) + "=" + Link(port)});
    }
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
        if (line.rfind("rapi=", 0) == 0)
            rapi_port_ = static_cast<std::uint16_t>(std::stoi(line.substr(5)));
        if (line.rfind("control=", 0) == 0) {
            control_port_ = static_cast<std::uint16_t>(std::stoi(line.substr(8)));
        }
    }
}

Sim::~Sim() {
    if (pid_ > 0) Signal(SIGKILL);
    std::filesystem::remove_all(dir_);
}

std::string Sim::Control(const std::string& command) {
    int fd = Connect(control_port_);
    if (fd < 0) return "no control channel";
    std::string line = command + "\n";
    SendAll(fd, line.data(), line.size());
    std::string reply;
    char c;
    while (::recv(fd, &c, 1, 0) == 1 && c != '\n') reply += c;
    ::close(fd);
    return reply;
}

int Sim::Wait() {
    for (int i = 0; i < 200; ++i) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return -1;
}

int Sim::Quit() {
    Control("quit");
    return Wait();
}

int Sim::Signal(int sig) {
    ::kill(pid_, sig);
    return Wait();
}

Line::Line(const std::string& path) {
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios t{};
    if (fd_ >= 0 && ::tcgetattr(fd_, &t) == 0) {
        ::cfmakeraw(&t);
        ::tcsetattr(fd_, TCSANOW, &t);
    }
}

Line::~Line() {
    if (fd_ >= 0) ::close(fd_);
}

bool Line::Write(const std::string& bytes) {
    return Write(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

bool Line::Write(const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::string Line::ReadUntil(const std::string& marker, int ms) {
    std::string got;
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (got.find(marker) == std::string::npos) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        end - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0) break;
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) <= 0) continue;
        char buf[256];
        ssize_t n = ::read(fd_, buf, marker.empty() ? 1 : sizeof buf);
        if (n <= 0) {
            alive_ = false;
            break;
        }
        got.append(buf, static_cast<std::size_t>(n));
    }
    return got;
}

std::string Line::ReadFor(int ms) { return ReadUntil(std::string(1, '\0') + "never", ms); }

bool Rapi::Init() {
    rig::wire::Writer w;
    w.U32(0);
    rig::wire::Reply r = Call(rig::wire::Op::Init, w);
    if (r.result != 0) return false;
    rig::wire::Reader rd(r.payload);
    connection_ = rd.U32();
    return true;
}

void Rapi::Uninit() { Call(rig::wire::Op::Uninit, rig::wire::Writer{}); }

rig::wire::Reply Rapi::Call(rig::wire::Op op, const rig::wire::Writer& w,
                            std::uint32_t connection_override) {
    rig::wire::Writer copy = w;
    std::vector<std::uint8_t> body = rig::wire::EncodeRequest(
        {op, connection_override != 0 ? connection_override : connection_, copy.Take()});
    int fd = Connect(port_);
    auto size = static_cast<std::uint32_t>(body.size());
    rig::wire::Reply reply{-1, 0xDEAD, {}};
    if (fd >= 0 && SendAll(fd, &size, 4) && SendAll(fd, body.data(), body.size()) &&
        RecvAll(fd, &size, 4)) {
        body.resize(size);
        if (RecvAll(fd, body.data(), size)) {
            if (auto r = rig::wire::DecodeReply(body)) reply = *r;
        }
    }
    if (fd >= 0) ::close(fd);
    return reply;
}

std::uint32_t Rapi::Create(const std::string& path, std::uint32_t access, std::uint32_t share,
                           std::uint32_t disposition, std::uint32_t& error) {
    rig::wire::Writer w;
    w.Bytes(Utf16(path)).U32(access).U32(share).U32(disposition).U32(0x80);
    rig::wire::Reply r = Call(rig::wire::Op::CreateFile, w);
    error = r.error;
    return static_cast<std::uint32_t>(r.result);
}

bool Rapi::Put(const std::string& path, const std::vector<std::uint8_t>& data) {
    std::uint32_t error = 0;
    std::uint32_t h = Create(path, 0x40000000, 1, 2, error);
    if (error != 0) return false;
    rig::wire::Writer w;
    w.U32(h).Bytes(data);
    bool ok = Call(rig::wire::Op::WriteFile, w).result == 1;
    rig::wire::Writer c;
    c.U32(h);
    return Call(rig::wire::Op::CloseHandle, c).result == 1 && ok;
}

rig::wire::Reply Rapi::Invoke(const std::string& library, const std::string& entry,
                              const std::vector<std::uint8_t>& input) {
    rig::wire::Writer w;
    w.Bytes(Utf16(library)).Bytes(Utf16(entry)).Bytes(input);
    return Call(rig::wire::Op::Invoke, w);
}

std::string Missing(const std::string& text, std::initializer_list<std::string> parts) {
    std::string missing;
    for (const std::string& part : parts) {
        if (text.find(part) == std::string::npos) missing += part + "\n";
    }
    return missing;
}

std::vector<std::uint8_t> Utf16(const std::string& text) {
    std::vector<std::uint8_t> out;
    for (char c : text) {
        out.push_back(static_cast<std::uint8_t>(c));
        out.push_back(0);
    }
    return out;
}

std::vector<std::uint8_t> Le32s(std::initializer_list<std::uint32_t> values) {
    std::vector<std::uint8_t> out;
    for (std::uint32_t v : values) {
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    return out;
}

std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string Sha256(const std::vector<std::uint8_t>& data) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(data.data(), data.size(), digest, &length, EVP_sha256(), nullptr);
    static const char hex[] = "0123456789abcdef";
    std::string text;
    for (unsigned int i = 0; i < length; ++i) {
        text += hex[digest[i] >> 4];
        text += hex[digest[i] & 15];
    }
    return text;
}

}  // namespace rigtest
