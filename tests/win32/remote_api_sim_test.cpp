// The services on the running handheld through the stand-in rapi.dll, loaded by name as the
// program loads ActiveSync's, against handheld-sim: identification, the reserve area, a whole
// backup byte for byte and one that breaks off, and a missing library. (The clock: the roads.)

#include "backup/backup_thread.h"
#include "device/device_libraries.h"
#include "device/query_device_data.h"
#include "image/backup_image_writer.h"
#include "image/image_operations.h"
#include "platform/win32/win32_code_page.h"
#include "platform/win32/win32_remote_api.h"
#include "fakes/fake_ui.h"
#include "fakes/recording_log.h"
#include "fakes/scaled_clock.h"
#include "unit/image_test_files.h"
#include "wine_sim.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <memory>

namespace orvo::wine {
namespace {

constexpr std::size_t kReserveAreaOffset = 0x40100;

class RemoteApiSimTest : public ::testing::TestWithParam<bool> {
  protected:
    // The simulator in the remote-API setting of the test, and the flow's connection open.
    void Start(std::vector<std::string> options = {}) {
        if (GetParam()) options.push_back("--rapi-strict");
        sim_ = std::make_unique<WineSim>(options);
        if (!sim_->Unavailable().empty()) GTEST_SKIP() << sim_->Unavailable();
        _putenv_s("ROMWIZARD_SIM_RAPI", std::to_string(sim_->RapiPort()).c_str());
        api_ = std::make_unique<win32::Win32RemoteApi>(RAPI_DLL);
        ASSERT_TRUE(api_->Loaded());
        services_ = std::make_unique<DeviceServices>(
            DeviceServices{*api_, clock_, code_page_, pc_clock_, ui_, log_});
        ASSERT_GE(api_->CeRapiInitEx(), 0);
        ASSERT_TRUE(api_->WaitForSession(3000));
        state_.StartDir = dir_.Folder();
        for (const char* file :
             {"GetDeviceData.dll", "ZIB_WriteReserveArea.dll", "SetSystemTime.dll", "backup.exe"}) {
            dir_.Write(file, {0x4D, 0x5A});
        }
    }
    void TearDown() override {
        if (api_) api_->CeRapiUninit();
    }
    std::string State() { return sim_->Control("state"); }

    std::unique_ptr<WineSim> sim_;
    std::unique_ptr<win32::Win32RemoteApi> api_;
    ScaledClock clock_{10};
    win32::Win32AnsiCodePage code_page_;
    win32::Win32PcClock pc_clock_;
    FakeUi ui_;
    RecordingLog log_;
    std::unique_ptr<DeviceServices> services_;
    testing::TempDir dir_;
    WizardState state_;
};

TEST_P(RemoteApiSimTest, IdentifiesTheHandheldAndStoresItsIdentityInTheReserveArea) {
    Start({"--lang", "FRE", "--version", "2.10"});
    ASSERT_EQ(QueryDeviceData(state_, *services_), 1);
    EXPECT_EQ(state_.Device.ModelID, "Orvo 4700");
    EXPECT_EQ(state_.Device.RomTypeCode, "NBT");
    EXPECT_EQ(state_.Device.Lang, "FRE");
    EXPECT_EQ(state_.Device.Version, "2.10");
    EXPECT_EQ(state_.Device.Language, "French");
    EXPECT_EQ(state_.Device.FlashSizeMB, 32);
    const std::vector<std::uint8_t> area = sim_->Flash(kReserveAreaOffset, 20);
    EXPECT_EQ(std::string(area.begin(), area.begin() + 19), "Orvo 4700NBTFRE2.10");
    // A second identification finds the library loaded from the first and still calls it.
    ASSERT_EQ(QueryDeviceData(state_, *services_), 1);
    EXPECT_TRUE(api_->PowerLineStatus().has_value()) << "the flow's connection is still open";
    EXPECT_NE(State().find("\"errors\":[]"), std::string::npos) << State();
}

TEST_P(RemoteApiSimTest, AWholeBackupIsTheRomByteForByteUnderAValidHeader) {
    Start();
    state_.Device = testing::Identity();
    state_.BackupPath = dir_.Path("backup.nbf");
    BackupThread(state_, *services_);
    EXPECT_TRUE(ui_.Opened().empty());
    EXPECT_EQ(ui_.ProgressCalls().back(),
              (FakeUi::ProgressCall{FakeUi::ProgressCall::BackupEnd, 1}));
    const std::vector<std::uint8_t> file = dir_.Read("backup.nbf");
    ASSERT_EQ(file.size(), 32u + kBackupImageBytes);
    EXPECT_TRUE(
        std::equal(file.begin() + 32, file.end(), sim_->Flash(0, kBackupImageBytes).begin()));
    state_.ImagePath = state_.BackupPath;
    ASSERT_EQ(ReadImageHeader(state_.ImagePath, state_, ui_), 1);
    EXPECT_EQ(VerifyImageChecksum(state_, ui_), 1);
    EXPECT_NE(State().find("\"errors\":[]"), std::string::npos) << State();
}

TEST_P(RemoteApiSimTest, ADeviceProgramThatStopsEndsTheProgramAndKeepsTheEarlierBackup) {
    Start();
    ASSERT_EQ(sim_->Control("backup stop-after 3").rfind("ok", 0), 0u);
    state_.Device = testing::Identity();
    state_.BackupPath = dir_.Write("backup.nbf", testing::Payload(1000));
    BackupThread(state_, *services_);
    EXPECT_EQ(ui_.Opened(), std::vector<Page>{Page::BackupError});
    EXPECT_TRUE(ui_.CloseRequested());
    EXPECT_EQ(dir_.Read("backup.nbf"), testing::Payload(1000));
    EXPECT_EQ(GetFileAttributesA(BackupImageWriter::TemporaryPath(state_.BackupPath).c_str()),
              INVALID_FILE_ATTRIBUTES);
}

INSTANTIATE_TEST_SUITE_P(Sessions, RemoteApiSimTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Strict" : "Nesting"; });

// Without ActiveSync's library, or with a library that lacks its entry points, every call fails
// as an unreachable handheld.
TEST(RemoteApiLibrary, AMissingLibraryOrEntryPointIsAnUnreachableHandheld) {
    for (const char* library : {"no-such-rapi.dll", "kernel32.dll"}) {
        win32::Win32RemoteApi api(library);
        EXPECT_FALSE(api.Loaded());
        EXPECT_LT(api.CeRapiInitEx(), 0);
        EXPECT_FALSE(api.WaitForSession(10));
        EXPECT_FALSE(api.PowerLineStatus().has_value());
        EXPECT_EQ(api.CeCreateFile(u"\\Temp\\x", 0, 0, 3, 0), kInvalidDeviceFile);
        std::vector<std::uint8_t> reply{1};
        EXPECT_LT(api.CeRapiInvoke(u"GetDeviceData.dll", u"GetDeviceData", {}, reply), 0);
        EXPECT_TRUE(reply.empty());
    }
}

}  // namespace
}  // namespace orvo::wine
