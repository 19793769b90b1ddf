// The Win32 serial adapter under Wine, against handheld-sim's ptys opened as serial devices:
// a pending read that ends when woken or shut, and the link's road over the adapter (port search,
// identity, both downloads byte for byte, the version box, a pulled USB cable).

#include "bootlink/boot_identity.h"
#include "bootlink/boot_port.h"
#include "bootlink/download.h"
#include "bootlink/link_commands.h"
#include "bootlink/version_box.h"
#include "fakes/fake_ui.h"
#include "fakes/recording_log.h"
#include "fakes/scaled_clock.h"
#include "platform/win32/win32_serial_port.h"
#include "unit/image_test_files.h"
#include "wine_sim.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <memory>
#include <thread>

namespace orvo::wine {
namespace {

using namespace std::chrono_literals;
using ::testing::HasSubstr;

constexpr std::size_t kBlock = 0x20000;

class WineSimTest : public ::testing::Test {
  protected:
    void Start(const std::vector<std::string>& options) {
        sim_ = std::make_unique<WineSim>(options);
        if (!sim_->Unavailable().empty()) GTEST_SKIP() << sim_->Unavailable();
    }
    std::unique_ptr<WineSim> sim_;
};

// Under Wine a pending overlapped read waits for a byte: with nothing coming it waits its bound,
// and ends at once when woken or shut from another thread. (Bytes both ways: the update below.)
TEST_F(WineSimTest, APendingReadEndsWhenWokenOrShut) {
    Start({"--mode", "bootloader", "--link", "usb1"});
    win32::Win32SerialPorts ports;
    SerialPorts::OpenResult result = SerialPorts::OpenResult::Failed;
    std::unique_ptr<SerialPort> port = ports.Open(sim_->DevicePath("usb1"), result);
    ASSERT_TRUE(port) << sim_->DevicePath("usb1");
    EXPECT_TRUE(port->SetReadReturnsAtOnce());
    std::uint8_t byte = 0;
    EXPECT_EQ(port->ReadByte(byte, 50ms), SerialPort::ReadResult::Nothing);
    std::thread waker([&] {
        std::this_thread::sleep_for(100ms);
        port->WakeReader();
    });
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(port->ReadByte(byte, 10s), SerialPort::ReadResult::Nothing);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    waker.join();
    std::thread shutter([&] {
        std::this_thread::sleep_for(100ms);
        port->Shut();
    });
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(port->ReadByte(byte, 10s), SerialPort::ReadResult::Failed);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    shutter.join();
    const std::uint8_t out[] = {'x'};
    EXPECT_EQ(port->Write(out, 1s), 0u);
}

// The link over the Win32 adapter, as the wizard drives it.
struct WineLink {
    WineLink(WineSim& sim, std::size_t payload_size)
        : clock(10), payload(testing::Payload(payload_size)) {
        state.ImagePath = files.Write("update.nbf", testing::MakeImage({.payload = payload}));
        PortCandidates candidates = SystemPortCandidates();
        candidates[0].path = "\\\\.\\ROMNOSUCHPORT";
        candidates[1].path = sim.DevicePath("usb1");
        candidates[2].path = "";
        candidates[3].path = sim.DevicePath("com1");
        link = std::make_unique<BootLink>(state, LinkServices{ports, clock, log, ui, {}, {}},
                                          candidates);
        ui.RunWatchdog(clock, [this] { link->Stop(); });
    }
    ~WineLink() {
        link->ShutDown();
        link->JoinReader();
        if (link->Download.thread.joinable()) link->Download.thread.join();
        ui.EndWatchdog();
        link.reset();
        state.ImageFileHandle.Close();
    }

    WizardState state;
    win32::Win32SerialPorts ports;
    ScaledClock clock;
    RecordingLog log;
    FakeUi ui;
    std::vector<std::uint8_t> payload;
    testing::TempDir files;
    std::unique_ptr<BootLink> link;
};

TEST_F(WineSimTest, WholeUpdateOverUsb) {
    Start({"--mode", "bootloader", "--link", "usb1"});
    const std::size_t size = 0x80000 + kBlock + 0x777;
    WineLink rig(*sim_, size);
    ASSERT_EQ(OpenBootPort(*rig.link), 1);
    EXPECT_EQ(rig.state.SerialLink, 0);
    EnterFramedMode(*rig.link);
    ASSERT_EQ(ReadBootIdentity(*rig.link), 1);
    LeaveFramedMode(*rig.link);
    EXPECT_EQ(rig.state.Device.Lang, "GER");
    FlashSequence(*rig.link);
    EXPECT_EQ(rig.ui.WaitProgressEnd(60s), 1);
    EXPECT_EQ(rig.link->CompletedDownloads, 2);
    rig.state.Image.Version = "2.04";
    DrawVersionBox(*rig.link);
    const std::vector<std::uint8_t> expected(rig.payload.begin() + 0x40000, rig.payload.end());
    EXPECT_TRUE(sim_->Flash(0x40000, size - 0x40000) == expected);
    const std::string state = sim_->Control("state");
    EXPECT_THAT(state, HasSubstr("\" *   2.04   *"));
    EXPECT_THAT(state, HasSubstr("\"errors\":[]"));
}

// The USB device goes away after the first block: the next write fails, the link stops and the
// page ends with 2; nothing counts as complete.
TEST_F(WineSimTest, PulledUsbCableEndsTheUpdate) {
    Start({"--mode", "bootloader", "--link", "usb1"});
    WineLink rig(*sim_, 0x80000 + 4 * kBlock);
    ASSERT_EQ(OpenBootPort(*rig.link), 1);
    ASSERT_EQ(sim_->Control("cable pull-after 1"), "ok");
    FlashSequence(*rig.link);
    EXPECT_EQ(rig.ui.WaitProgressEnd(60s), 2);
    EXPECT_EQ(rig.link->CompletedDownloads, 0);
    EXPECT_EQ(rig.state.DownloadStatus, 1);
    EXPECT_EQ(rig.link->LinkStop, 1);
}

}  // namespace
}  // namespace orvo::wine
