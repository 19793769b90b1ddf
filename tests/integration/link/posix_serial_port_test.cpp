// The POSIX serial adapter on a pseudo-terminal whose other side the test holds: a bounded read
// that ends early when woken or shut, and the presence probe that follows the device's path.
// (Bytes both ways, raw: the link tests against handheld-sim.)

#include "platform/posix/posix_serial_port.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

namespace orvo::posix {
namespace {

using namespace std::chrono_literals;
using Wall = std::chrono::steady_clock;

class PtyPair : public ::testing::Test {
  protected:
    PtyPair() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        char name[128] = {};
        if (master_ >= 0 && ::grantpt(master_) == 0 && ::unlockpt(master_) == 0 &&
            ::ptsname_r(master_, name, sizeof name) == 0) {
            link_ = std::filesystem::temp_directory_path() /
                    ("posix-port-" + std::to_string(::getpid()));
            std::filesystem::create_symlink(name, link_);
        }
    }
    ~PtyPair() override {
        if (master_ >= 0) ::close(master_);
        std::filesystem::remove(link_);
    }
    std::unique_ptr<SerialPort> Open() {
        SerialPorts::OpenResult result = SerialPorts::OpenResult::Failed;
        auto port = ports_.Open(link_.string(), result);
        EXPECT_EQ(result, SerialPorts::OpenResult::Opened);
        return port;
    }

    PosixSerialPorts ports_;
    int master_ = -1;
    std::filesystem::path link_;
};

// A read ends at its bound, or early when woken or shut; a write to a peer that stops reading
// ends at its bound, short; what was written has left while the peer is there, not once it hung
// up, and a shut port writes nothing.
TEST_F(PtyPair, ReadsWritesAndDrainsAreBounded) {
    auto port = Open();
    ASSERT_TRUE(port);
    port->ApplyLineSettings();
    std::uint8_t byte = 0;
    auto start = Wall::now();
    EXPECT_EQ(port->ReadByte(byte, 50ms), SerialPort::ReadResult::Nothing);
    EXPECT_GE(Wall::now() - start, 40ms);
    for (const bool shut : {false, true}) {
        std::thread other([&] {
            std::this_thread::sleep_for(50ms);
            shut ? port->Shut() : port->WakeReader();
        });
        start = Wall::now();
        EXPECT_EQ(port->ReadByte(byte, 10s),
                  shut ? SerialPort::ReadResult::Failed : SerialPort::ReadResult::Nothing);
        EXPECT_LT(Wall::now() - start, 5s);
        other.join();
    }
    const std::uint8_t out[] = {'x'};
    EXPECT_EQ(port->Write(out, 1s), 0u);
    port.reset();

    auto second = Open();
    ASSERT_TRUE(second);
    second->ApplyLineSettings();
    EXPECT_TRUE(second->Drain(100ms));
    const std::vector<std::uint8_t> block(1 << 20, 0x5A);
    start = Wall::now();
    EXPECT_LT(second->Write(block, 200ms), block.size());
    EXPECT_GE(Wall::now() - start, 150ms);
    EXPECT_LT(Wall::now() - start, 5s);
    ::close(master_);
    master_ = -1;
    EXPECT_FALSE(second->Drain(100ms));
}

// A pty has no modem lines: the device counts as there while its path still leads to it.
TEST_F(PtyPair, PresenceFollowsTheDevicePath) {
    auto port = Open();
    ASSERT_TRUE(port);
    EXPECT_TRUE(port->ProbePresence());
    std::filesystem::remove(link_);
    EXPECT_FALSE(port->ProbePresence());
}

TEST(PosixSerialPorts, MissingAndNonTerminalPathsDoNotOpen) {
    PosixSerialPorts ports;
    SerialPorts::OpenResult result = SerialPorts::OpenResult::Opened;
    for (const char* path : {"/nonexistent/ttyS9", "/dev/null", ""}) {
        EXPECT_FALSE(ports.Open(path, result)) << path;
        EXPECT_EQ(result, SerialPorts::OpenResult::Failed) << path;
    }
}

}  // namespace
}  // namespace orvo::posix
