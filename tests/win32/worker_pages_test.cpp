// The pages that run workers, shown from the built romwizard.exe: the Update progress page and
// its watchdog, the Power warning page and its poller, over an in-memory handheld and boot loader.
// (The Boot-loader entry page and its watcher: the roads to the boot loader and the back roads.)

#include "fakes/fake_registry.h"
#include "fakes/fake_remote_api.h"
#include "fakes/fake_serial_port.h"
#include "fakes/recording_log.h"
#include "fakes/scaled_clock.h"
#include "pages/update_progress_page.h"
#include "platform/win32/win32_code_page.h"
#include "shell/flash_settings.h"
#include "unit/image_test_files.h"
#include "win32/page_rig.h"

#include <gtest/gtest.h>

#include <thread>

namespace orvo::test {
namespace {

// The page rig with a handheld over the remote API and a boot-loader link over in-memory ports.
struct WorkerRig : PageRig {
    WorkerRig() {
        context.device = &device;
        context.link = &link;
        context.registry = &registry;
    }
    // The pages' threads end before the link and the services they reach.
    ~WorkerRig() { context.workers.End(state, &link); }

    std::wstring Text(HWND page, int control) {
        wchar_t text[400] = {};
        GetDlgItemTextW(page, control, text, 400);
        return text;
    }
    bool Enabled(HWND page, int control) { return IsWindowEnabled(GetDlgItem(page, control)); }

    FakeRemoteApi remote;
    ScaledClock clock{20};
    win32::Win32AnsiCodePage code_page;
    win32::Win32PcClock pc_clock;
    RecordingLog log;
    DeviceServices device{remote, clock, code_page, pc_clock, ui, log};
    FakeRegistry registry;
    FakeSerialPorts ports;
    BootLink link{state,
                  LinkServices{ports, clock, log, ui, {}, {}},
                  {{{"port", "COM1 Port Test\r", 1}, {}, {}, {}}}};
};

TEST(UpdateProgressPage, DurationByExactRomTypeAndLine) {
    struct Case {
        const char* rom_type;
        bool serial;
        int text;
    };
    // Letter case counts: "nbt" takes the times of any other type.
    const Case cases[] = {{"NBT", true, IDS_UPDATE_DURATION_60_MIN},
                          {"nbt", true, IDS_UPDATE_DURATION_80_MIN},
                          {"WBT", false, IDS_UPDATE_DURATION_10_MIN}};
    for (const Case& c : cases) {
        EXPECT_EQ(pages::UpdateDurationText(c.rom_type, c.serial), c.text)
            << c.rom_type << (c.serial ? " serial" : " USB");
    }
}

// The page records the update, shows its duration and the hourglass, ignores Enter and Esc, and
// when timer 2 fires closes the image, stops the link and ends with 2.
TEST(UpdateProgressPage, RecordsTheUpdateAndItsWatchdogEndsIt) {
    WorkerRig rig;
    ASSERT_NE(rig.resources.Module(), nullptr);
    testing::TempDir files;
    rig.state.ImagePath = files.Write("update.nbf", testing::MakeImage({}));
    ASSERT_EQ(rig.state.ImageFileHandle.Open(rig.state.ImagePath), ImageFile::OpenResult::Opened);
    rig.state.Device = testing::Identity("Orvo 4700", "NBT");
    rig.state.SerialLink = 0;

    std::wstring duration;
    LRESULT cursor_handled = FALSE;
    bool stayed = false;
    std::thread user([&] {
        ASSERT_TRUE(Eventually([&] { return rig.context.hProgressPage.load() != nullptr; }));
        const HWND page = rig.context.hProgressPage;
        duration = rig.Text(page, IDC_UPDATE_PROGRESS_DURATION);
        cursor_handled = SendMessageW(page, WM_SETCURSOR, reinterpret_cast<WPARAM>(page),
                                      MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        SendMessageW(page, WM_COMMAND, IDC_FORWARD, 0);
        SendMessageW(page, WM_COMMAND, IDC_CANCEL, 0);
        stayed = IsWindow(page) && IsWindowVisible(page);
        SendMessageW(page, WM_TIMER, pages::kWatchdogTimer, 0);
    });
    EXPECT_EQ(rig.ui.OpenUpdateProgressPage(UpdateVariant::Main), 2);
    user.join();

    EXPECT_EQ(duration, rig.catalogue.Text(IDS_UPDATE_DURATION_8_MIN)) << "NBT over USB";
    EXPECT_TRUE(cursor_handled);
    EXPECT_TRUE(stayed) << "Enter and Esc do nothing";
    EXPECT_FALSE(rig.state.ImageFileHandle.IsOpen());
    EXPECT_EQ(rig.link.LinkStop, 1);
    EXPECT_FALSE(rig.link.FailureCause().empty()) << "the link ended by the watchdog";
    WizardState resumed;
    EXPECT_EQ(LoadFlashSettings(resumed, rig.registry), 1);
    EXPECT_EQ(resumed.ImagePath, rig.state.ImagePath);
}

// Weiter follows the mains through the poller; on battery it does nothing. A second showing
// reuses the poller, which runs until the link is done with for good.
TEST(PowerWarningPage, WeiterOnlyOnMainsWithOnePollerOutlivingThePage) {
    WorkerRig rig;
    ASSERT_NE(rig.resources.Module(), nullptr);
    rig.remote.SetPowerLine(0);
    bool disabled_on_battery = false;
    bool stayed_on_battery = false;
    std::thread user([&] {
        ASSERT_TRUE(Eventually([&] { return rig.context.hPowerPage.load() != nullptr; }));
        const HWND page = rig.context.hPowerPage;
        disabled_on_battery = Eventually([&] { return !rig.Enabled(page, IDC_FORWARD); });
        SendMessageW(page, WM_COMMAND, IDC_FORWARD, 0);
        stayed_on_battery = IsWindow(page);
        rig.remote.SetPowerLine(1);
        const bool enabled = Eventually([&] { return rig.Enabled(page, IDC_FORWARD); });
        PostMessageW(page, WM_COMMAND, enabled ? IDC_FORWARD : IDC_CANCEL, 0);
    });
    EXPECT_EQ(rig.ui.OpenPage(Page::PowerWarning), 0);
    user.join();
    EXPECT_TRUE(disabled_on_battery);
    EXPECT_TRUE(stayed_on_battery);
    EXPECT_EQ(rig.context.hPowerPage.load(), nullptr);

    EXPECT_FALSE(rig.context.workers.power_poller.Start(rig.device)) << "the poller still runs";
    rig.context.workers.StopLinkForGood(rig.link);
    const int stopped_at = rig.remote.PowerQueries();
    Sleep(300);
    EXPECT_EQ(rig.remote.PowerQueries(), stopped_at) << "no poller after the link's end";
}

}  // namespace
}  // namespace orvo::test
