// The Win32 serial adapter under Wine, against handheld-sim's ptys opened as serial devices:
// the port itself (echo, a pending read that ends when woken or shut), and the link's road over
// it (port search, identity, both downloads byte for byte, a pulled USB cable).

#include "bootlink/boot_identity.h"
#include "bootlink/boot_port.h"
#include "bootlink/download.h"
#include "bootlink/link_commands.h"
#include "bootlink/version_box.h"
#include "fakes/fake_ui.h"
#include "fakes/recording_log.h"
#include "fakes/scaled_clock.h"
#include "platform/win32/win32_serial_port.h"
#include "wine_sim.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <fstream>
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

std::string ReadUntil(SerialPort& port, const std::string& marker) {
    std::string received;
    for (int i = 0; i < 300 && received.find(marker) == std::string::npos; ++i) {
        std::uint8_t byte = 0;
        if (port.ReadByte(byte, 10ms) == SerialPort::ReadResult::Byte) {
            received.push_back(static_cast<char>(byte));
        }
    }
    return received;
}

TEST_F(WineSimTest, PortEchoesAndAPendingReadEndsWhenWokenOrShut) {
    Start({"--mode", "bootloader", "--link", "usb1"});
    win32::Win32SerialPorts ports;
    SerialPorts::OpenResult result = SerialPorts::OpenResult::Failed;
    std::unique_ptr<SerialPort> port = ports.Open(sim_->DevicePath("usb1"), result);
    ASSERT_TRUE(port) << sim_->DevicePath("usb1");
    EXPECT_EQ(result, SerialPorts::OpenResult::Opened);
    EXPECT_TRUE(port->ApplyLineSettings());
    port->RaiseDtr();  // fails with error 50 on a pty; the port test decides
    port->RaiseRts();
    EXPECT_TRUE(port->SetReadReturnsAtOnce());
    const std::string test = "USB Port Test\r";
    ASSERT_EQ(
        port->Write(std::span(reinterpret_cast<const std::uint8_t*>(test.data()), test.size())),
        test.size());
    EXPECT_THAT(ReadUntil(*port, "\n"), HasSubstr("USB Port Test\r\n"));

    // Nothing comes: a read waits its bound, then ends at once when woken from another thread.
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
    EXPECT_EQ(port->Write(std::span(reinterpret_cast<const std::uint8_t*>(test.data()), 1)), 0u);
}

// The link over the Win32 adapter, as the wizard drives it.
struct WineLink {
    WineLink(WineSim& sim, std::size_t payload_size) : clock(10) {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        image_path =
            std::string(temp) + "wine-link-" + std::to_string(GetCurrentProcessId()) + ".nbf";
        payload.resize(payload_size);
        for (std::size_t i = 0; i < payload.size(); ++i) {
            payload[i] = static_cast<std::uint8_t>((i * 131) ^ (i >> 9));
        }
        std::ofstream image(image_path, std::ios::binary);
        image << "Orvo 4700-NBT-GER-2.04-0--------";
        image.write(reinterpret_cast<const char*>(payload.data()),
                    static_cast<std::streamsize>(payload.size()));
        image.close();
        state.ImagePath = image_path;
        candidates = SystemPortCandidates();
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
        DeleteFileA(image_path.c_str());
    }

    WizardState state;
    win32::Win32SerialPorts ports;
    ScaledClock clock;
    RecordingLog log;
    FakeUi ui;
    PortCandidates candidates;
    std::unique_ptr<BootLink> link;
    std::string image_path;
    std::vector<std::uint8_t> payload;
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
