// The remote API under Wine against handheld-sim, counting sessions as the platform does: the
// program's adapter, loading the stand-in rapi.dll by name, identifies the handheld and backs it
// up without a mistake that the stand-in notes, which does note one; a missing library. (What the
// reserve area and the backup hold, a device program that stops: the roads and the fault matrix.)

#include "wine_sim.h"

#include "backup/backup_thread.h"
#include "device/query_device_data.h"
#include "platform/win32/loaded_library.h"
#include "platform/win32/win32_code_page.h"
#include "platform/win32/win32_remote_api.h"
#include "rapi/win32/rapi_types.h"
#include "fakes/fake_ui.h"
#include "fakes/recording_log.h"
#include "fakes/scaled_clock.h"
#include "unit/test_support.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

namespace orvo::wine {
namespace {

TEST(RemoteApiStandIn, TheProgramMakesNoMistakeThatItNotesAndItCountsSessions) {
    WineSim sim({"--rapi-strict"});
    ASSERT_EQ(sim.Unavailable(), "") << "the simulator must run here";
    win32::Win32RemoteApi api(RAPI_DLL);
    ASSERT_TRUE(api.Loaded());
    ScaledClock clock{10};
    win32::Win32AnsiCodePage code_page;
    win32::Win32PcClock pc_clock;
    FakeUi ui;
    RecordingLog log;
    DeviceServices services{api, clock, code_page, pc_clock, ui, log};
    testing::TempDir dir;
    for (const char* file : {"GetDeviceData.dll", "ZIB_WriteReserveArea.dll", "backup.exe"}) {
        dir.Write(file, {0x4D, 0x5A});
    }
    WizardState state;
    state.StartDir = dir.Folder();
    state.BackupPath = dir.Path("backup.nbf");

    ASSERT_GE(api.CeRapiInitEx(), 0);
    ASSERT_TRUE(api.WaitForSession(3000));
    // A second identification finds the library loaded by the first and still calls it.
    ASSERT_EQ(QueryDeviceData(state, services), 1);
    ASSERT_EQ(QueryDeviceData(state, services), 1);
    EXPECT_TRUE(api.PowerLineStatus().has_value()) << "the flow's connection is still open";
    BackupThread(state, services);
    EXPECT_EQ(ui.ProgressCalls().back(),
              (FakeUi::ProgressCall{FakeUi::ProgressCall::BackupEnd, 1}));
    EXPECT_EQ(dir.Read("backup.nbf").size(), 32u + kBackupImageBytes);

    const std::string state_report = sim.Control("state");
    EXPECT_NE(state_report.find("\"errors\":[]"), std::string::npos) << state_report;

    // A call whose input comes from new is noted, and a nested session is refused.
    const win32::LoadedLibrary stand_in(RAPI_DLL);
    std::vector<BYTE> from_new(76);
    DWORD size = 0;
    BYTE* reply = nullptr;
    stand_in.Find<decltype(&CeRapiInvoke)>("CeRapiInvoke")(
        L"GetDeviceData.dll", L"GetDeviceData", 76, from_new.data(), &size, &reply, nullptr, 0);
    if (reply != nullptr) LocalFree(reply);
    EXPECT_NE(sim.Control("state").find("input buffer not allocated with LocalAlloc"),
              std::string::npos);
    RAPIINIT init{sizeof init, nullptr, 0};
    EXPECT_EQ(stand_in.Find<decltype(&CeRapiInitEx)>("CeRapiInitEx")(&init),
              static_cast<HRESULT>(0x80041001));
    api.CeRapiUninit();
}

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
