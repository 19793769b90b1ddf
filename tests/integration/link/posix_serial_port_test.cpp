// The POSIX serial adapter on a pseudo-terminal whose other side the test holds: bounded reads,
// writes and drains, and the presence probe that follows the device's path. (Bytes both ways:
// romflash_test.sh against handheld-sim.)

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
    std::unique_ptr<SerialPort> OpenSetUp() {
        auto result = SerialPorts::OpenResult::Failed;
        auto port = ports_.Open(link_.string(), result);
        EXPECT_EQ(result, SerialPorts::OpenResult::Opened);
        if (port) port->ApplyLineSettings();
        return port;
    }

    PosixSerialPorts ports_;
    int master_ = -1;
    std::filesystem::path link_;
};

// A read ends at its bound, or early when shut (a wake-up alike: romflash ends its link so);
// a write to a peer that stops reading ends at its bound, short; what was written has left while
// the peer is there, not once it hung up; a shut port writes nothing. A pty has no modem lines: the
// device counts as there while its path still leads to it. Missing and non-terminal paths do not
// open.
TEST_F(PtyPair, ReadsWritesAndDrainsAreBoundedPresenceFollowsThePath) {
    auto port = OpenSetUp();
    ASSERT_TRUE(port);
    std::uint8_t byte = 0;
    auto start = Wall::now();
    EXPECT_EQ(port->ReadByte(byte, 50ms), SerialPort::ReadResult::Nothing);
    EXPECT_GE(Wall::now() - start, 40ms);
    std::thread shutter([&] {
        std::this_thread::sleep_for(50ms);
        port->Shut();
    });
    start = Wall::now();
    EXPECT_EQ(port->ReadByte(byte, 10s), SerialPort::ReadResult::Failed);
    EXPECT_LT(Wall::now() - start, 5s);
    shutter.join();
    const std::uint8_t out[] = {'x'};
    EXPECT_EQ(port->Write(out, 1s), 0u);
    port.reset();

    port = OpenSetUp();
    ASSERT_TRUE(port);
    EXPECT_TRUE(port->Drain(100ms));
    const std::vector<std::uint8_t> block(1 << 20, 0x5A);
    start = Wall::now();
    EXPECT_LT(port->Write(block, 200ms), block.size());
    EXPECT_GE(Wall::now() - start, 150ms);
    EXPECT_LT(Wall::now() - start, 5s);
    EXPECT_TRUE(port->ProbePresence());
    std::filesystem::remove(link_);
    EXPECT_FALSE(port->ProbePresence());
    ::close(master_);
    master_ = -1;
    EXPECT_FALSE(port->Drain(100ms));

    SerialPorts::OpenResult result = SerialPorts::OpenResult::Opened;
    for (const char* path : {"/nonexistent/ttyS9", "/dev/null", ""}) {
        EXPECT_FALSE(ports_.Open(path, result)) << path;
        EXPECT_EQ(result, SerialPorts::OpenResult::Failed) << path;
    }
}

}  // namespace
}  // namespace orvo::posix
