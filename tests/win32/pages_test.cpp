// Opens the pages of the built romwizard.exe through the page seam, as the flow does: each
// button that the roads leave unpressed ends its page with its result and its flag, and the pages
// show and do what is theirs; the pages that run workers. (The buttons that lead the roads to
// their next page, the texts the roads read: the roads; every table text there and fitting: the
// layout test.)

#include "activesync/activesync_registry.h"
#include "fakes/fake_files.h"
#include "fakes/fake_processes.h"
#include "fakes/fake_registry.h"
#include "fakes/fake_remote_api.h"
#include "fakes/fake_serial_port.h"
#include "fakes/fake_ui.h"
#include "fakes/recording_log.h"
#include "fakes/scaled_clock.h"
#include "pages/error_pages.h"
#include "pages/page_ui.h"
#include "pages/update_progress_page.h"
#include "platform/win32/win32_code_page.h"
#include "unit/image_test_files.h"
#include "win32/program_resources.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace orvo::pages {
namespace {

// The real pages over the page seam, with a stand-in main window so that pages are shown, and
// the services they reach held in memory.
struct PageRig {
    PageRig() {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&controls);
        catalogue.Load([&](int id) { return resources.String(id); });
        display.Make(resources.Module());
        context.hInst = resources.Module();
        context.hMainWnd =
            CreateWindowW(L"STATIC", L"SETUP", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        context.device = &device;
        context.link = &link;
        context.registry = &registry;
        context.processes = &processes;
        context.files = &files;
        dir.Write("SetSystemTime.dll", {0x4D, 0x5A});
        state.StartDir = dir.Folder();
        state.Device = {"Orvo 4700", "NBT", "GER", "2.04", "German", 32};
        state.Image.Version = "2.10";
    }
    // The pages' threads end before the link and the services they reach.
    ~PageRig() {
        context.workers.End(state, &link);
        DestroyWindow(context.hMainWnd);
    }
    std::wstring T(int id) const { return catalogue.Text(id); }

    test::ProgramResources resources;
    MessageCatalogue catalogue;
    WizardState state;
    DisplayResources display;
    PageContext context{
        .catalogue = catalogue, .state = state, .display = display, .WarningBrush = {}};
    PageUi ui{context};
    FakeRemoteApi remote;
    ScaledClock clock{10};
    win32::Win32AnsiCodePage code_page;
    win32::Win32PcClock pc_clock;
    RecordingLog log;
    DeviceServices device{remote, clock, code_page, pc_clock, ui, log};
    // The same handheld with file dialogs and warnings answered by script.
    FakeUi script_ui;
    DeviceServices scripted_device{remote, clock, code_page, pc_clock, script_ui, log};
    FakeSerialPorts ports;
    BootLink link{state, LinkServices{ports, clock, log, ui, {}, {}}};
    FakeRegistry registry;
    FakeProcesses processes;
    FakeFiles files;
    testing::TempDir dir;
};

// Polls `done` for up to five seconds.
template <typename Done>
bool Eventually(Done done) {
    for (int i = 0; i < 500; ++i) {
        if (done()) return true;
        Sleep(10);
    }
    return done();
}

std::wstring TextOf(HWND page, int control) {
    wchar_t text[2048] = {};
    GetDlgItemTextW(page, control, text, 2048);
    return text;
}

using StateFlag = std::atomic<int> WizardState::*;

struct PageCase {
    const char* name;
    Page page;
    int button;
    int result;
    StateFlag flag = nullptr;
    std::function<void(PageRig&)> setup = [](PageRig&) {};
    // Runs while the page is shown, before the button is pressed.
    std::function<void(PageRig&, HWND)> shown = [](PageRig&, HWND) {};
    std::function<void(PageRig&)> ended = [](PageRig&) {};
};

const StateFlag kFlags[] = {&WizardState::ExitRequested,        &WizardState::BackFromPreparation,
                            &WizardState::BackFromConnection,   &WizardState::BackFromOptions,
                            &WizardState::BackFromConfirmation, &WizardState::BackFromUpdateReady};

// A command that must leave the page open.
void ExpectIgnored(HWND page, int control) {
    SendMessageW(page, WM_COMMAND, MAKEWPARAM(control, BN_CLICKED), 0);
    Sleep(50);
    EXPECT_TRUE(IsWindowVisible(page)) << "command " << control << " ended the page";
}

// The brush a page answers for one of its static controls.
INT_PTR BrushOf(HWND page, int control) {
    win32::OwnedDC dc(CreateCompatibleDC(nullptr));
    return SendMessageW(page, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.Get()),
                        reinterpret_cast<LPARAM>(GetDlgItem(page, control)));
}

std::vector<PageCase> Cases() {
    const auto serial_port = [](PageRig& rig) {
        rig.link.hPort.Set(std::make_shared<FakeSerialPort>(rig.ports.Add("COM1")));
    };
    auto earlier_brush = std::make_shared<HBRUSH>();
    std::vector<PageCase> cases = {
        {"Preparation Abbrechen", Page::Preparation, IDC_CANCEL, 1, &WizardState::ExitRequested},
        {"Connection Abbrechen", Page::Connection, IDC_CANCEL, 1, &WizardState::ExitRequested,
         [earlier_brush](PageRig& rig) {
             MakeWarningBrush(rig.context);
             *earlier_brush = rig.context.WarningBrush.Get();
         },
         [earlier_brush](PageRig& rig, HWND page) {
             EXPECT_EQ(GetObjectType(*earlier_brush), 0u) << "the earlier brush is released";
             const INT_PTR red = BrushOf(page, IDC_CONNECTION_WARNING);
             EXPECT_EQ(red, reinterpret_cast<INT_PTR>(rig.context.WarningBrush.Get()));
             EXPECT_NE(red, 0);
             EXPECT_NE(BrushOf(page, IDC_CONNECTION_STEPS), red);
         },
         [](PageRig& rig) { EXPECT_FALSE(rig.context.WarningBrush) << "deleted as it ends"; }},
        {"Options: Sichern cancelled, then Aktualisieren", Page::Options, IDC_OPTIONS_UPDATE,
         IDC_OPTIONS_UPDATE, nullptr,
         [](PageRig& rig) {
             rig.context.device = &rig.scripted_device;
             rig.script_ui.ScriptFileDialog(std::nullopt);
         },
         [](PageRig& rig, HWND page) {
             EXPECT_EQ(TextOf(page, IDC_OPTIONS_MODEL), rig.T(IDS_MODEL_LABEL) + L" Orvo 4700");
             EXPECT_EQ(TextOf(page, IDC_OPTIONS_VERSION), rig.T(IDS_ROM_VERSION_LABEL) + L" 2.04");
             EXPECT_EQ(TextOf(page, IDC_OPTIONS_LANGUAGE),
                       rig.T(IDS_LANGUAGE_LABEL) + L" " + rig.T(IDS_LANGUAGE_GERMAN));
             ExpectIgnored(page, IDC_OPTIONS_BACKUP);
             EXPECT_EQ(rig.script_ui.Dialogs().size(), 1u);
             EXPECT_EQ(rig.state.BackupPath, "");
         }},
        {"Options Enter", Page::Options, IDC_FORWARD, 0},
        {"Confirmation Weiter", Page::Confirmation, IDC_FORWARD, 1, nullptr, [](PageRig&) {},
         [](PageRig& rig, HWND page) {
             EXPECT_EQ(TextOf(page, IDC_CONFIRM_DEVICE_VERSION),
                       rig.T(IDS_ROM_VERSION_LABEL) + L" 2.04");
             EXPECT_EQ(TextOf(page, IDC_CONFIRM_IMAGE_VERSION),
                       rig.T(IDS_IMAGE_VERSION_LABEL) + L" 2.10");
         }},
        {"Confirmation Abbrechen", Page::Confirmation, IDC_CANCEL, 2, &WizardState::ExitRequested},
        // Its four texts, by language and line, are one and the same text.
        {"Update-ready Abbrechen", Page::UpdateReady, IDC_CANCEL, 2, &WizardState::ExitRequested,
         [](PageRig&) {},
         [](PageRig& rig, HWND page) {
             EXPECT_EQ(TextOf(page, IDC_READY_TEXT), rig.T(IDS_READY_KNOWN_SERIAL));
         }},
        {"Update-ready Zurück", Page::UpdateReady, IDC_BACK, 2, &WizardState::BackFromUpdateReady},
        {"Battery-disconnect Weiter", Page::BatteryDisconnect, IDC_BATTERY_FORWARD, 0, nullptr,
         [serial_port](PageRig& rig) {
             serial_port(rig);
             ASSERT_TRUE(rig.context.workers.power_poller.Start(rig.device));
             rig.state.ImageFileHandle.Open(rig.dir.Path("SetSystemTime.dll"));
             rig.registry.PutText(std::string(FakeRegistry::kMachine) + kConnectionManagerKeyPath,
                                  "", "C:\\ActiveSync\\wcesmgr.exe");
         },
         [](PageRig& rig, HWND page) {
             EXPECT_FALSE(rig.link.hPort.IsOpen()) << "the link is closed first";
             EXPECT_EQ(rig.link.LinkStop, 1);
             EXPECT_FALSE(rig.state.ImageFileHandle.IsOpen());
             const int polled = rig.remote.PowerQueries();
             ExpectIgnored(page, IDC_CANCEL);
             EXPECT_EQ(rig.remote.PowerQueries(), polled) << "the power poller ends with the link";
             EXPECT_TRUE(rig.processes.calls.empty());
         },
         [](PageRig& rig) {
             EXPECT_EQ(rig.processes.calls,
                       std::vector<std::string>{"start C:\\ActiveSync\\wcesmgr.exe"});
         }},
        {"Completion closed", Page::Completion, IDC_CANCEL, 1, nullptr, [](PageRig&) {},
         [](PageRig&, HWND) {},
         [](PageRig& rig) {
             ASSERT_EQ(rig.remote.Invokes().size(), 1u);
             EXPECT_EQ(rig.remote.Invokes()[0].function, u"SetSysTime");
         }},
        {"Update error over a serial line", Page::UpdateError, IDC_CANCEL, 1, nullptr, serial_port,
         [](PageRig& rig, HWND) { EXPECT_FALSE(rig.link.hPort.IsOpen()); }},
    };
    for (const ErrorPage& error : kPlainErrorPages) {
        const int exit = error.spec.buttons.front().control;
        cases.push_back({"plain error page", error.page, exit, 1, nullptr, [](PageRig&) {},
                         [exit](PageRig&, HWND page) {
                             // Where the exit button has its own ID, Esc does nothing.
                             if (exit == IDC_EXIT) ExpectIgnored(page, IDC_CANCEL);
                         }});
    }
    return cases;
}

TEST(Pages, EndWithTheirButtonsResultAndFlagAndDoWhatIsTheirs) {
    for (PageCase& c : Cases()) {
        SCOPED_TRACE(std::string(c.name) + ", template " +
                     std::to_string(static_cast<int>(c.page)));
        PageRig rig;
        ASSERT_NE(rig.resources.Module(), nullptr);
        c.setup(rig);
        std::thread user([&] {
            HWND page = nullptr;
            if (!Eventually([&] {
                    page = FindWindowW(L"#32770", rig.T(IDS_CAPTION).c_str());
                    return page != nullptr && IsWindowVisible(page);
                })) {
                ADD_FAILURE() << "the page was not shown with its caption";
                return;
            }
            c.shown(rig, page);
            PostMessageW(page, WM_COMMAND, MAKEWPARAM(c.button, BN_CLICKED), 0);
        });
        const int result = rig.ui.OpenPage(c.page);
        user.join();
        EXPECT_EQ(result, c.result);
        for (StateFlag flag : kFlags) {
            EXPECT_EQ(rig.state.*flag, flag == c.flag ? 1 : 0);
        }
        c.ended(rig);
    }
}

// The page shows its duration by ROM type and line and the hourglass and ignores Enter and Esc; the
// link's calls from another thread reach its bar, its percent and its timer 2, which closes the
// image and ends the page with 2. (The update recorded, the link stopped by timer 2, the page ended
// well: the roads and the fault matrix.)
TEST(UpdateProgressPage, TheLinksCallsReachIt) {
    PageRig rig;
    rig.context.link = nullptr;  // no worker: the test makes the link's calls
    ASSERT_EQ(rig.state.ImageFileHandle.Open(rig.dir.Write("update.nbf", testing::MakeImage({}))),
              ImageFile::OpenResult::Opened);
    rig.state.SerialLink = 0;
    // Letter case counts: "nbt" takes the times of any other type.
    EXPECT_EQ(UpdateDurationText("NBT", true), IDS_UPDATE_DURATION_60_MIN);
    EXPECT_EQ(UpdateDurationText("nbt", true), IDS_UPDATE_DURATION_80_MIN);
    EXPECT_EQ(UpdateDurationText("WBT", false), IDS_UPDATE_DURATION_10_MIN);
    std::thread link([&] {
        ASSERT_TRUE(Eventually([&] { return rig.context.hProgressPage.load() != nullptr; }));
        const HWND page = rig.context.hProgressPage;
        EXPECT_EQ(TextOf(page, IDC_UPDATE_PROGRESS_DURATION), rig.T(IDS_UPDATE_DURATION_8_MIN));
        EXPECT_TRUE(SendMessageW(page, WM_SETCURSOR, reinterpret_cast<WPARAM>(page),
                                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
        rig.ui.SetProgressRange(0, 250);
        rig.ui.SetProgressPosition(57);
        rig.ui.SetProgressPercent(42);
        EXPECT_EQ(SendDlgItemMessageW(page, IDC_PROGRESS_BAR, PBM_GETPOS, 0, 0), 57);
        EXPECT_EQ(SendDlgItemMessageW(page, IDC_PROGRESS_BAR, PBM_GETRANGE, FALSE, 0), 250);
        EXPECT_EQ(GetDlgItemInt(page, IDC_PROGRESS_PERCENT, nullptr, FALSE), 42u);
        rig.ui.SetWatchdog(100);
        rig.ui.StopWatchdog();
        ExpectIgnored(page, IDC_FORWARD);
        ExpectIgnored(page, IDC_CANCEL);
        Sleep(250);
        EXPECT_TRUE(IsWindowVisible(page)) << "a stopped timer 2 leaves it open";
        rig.ui.ShrinkProgressPage(false);
        RECT shrunk{1, 1, 1, 1};
        GetWindowRect(page, &shrunk);
        EXPECT_TRUE(shrunk.left == 0 && shrunk.top == 0 && shrunk.right == 0 && shrunk.bottom == 0);
        rig.ui.SetWatchdog(10);
    });
    EXPECT_EQ(rig.ui.OpenUpdateProgressPage(UpdateVariant::Main), 2);
    link.join();
    EXPECT_FALSE(rig.state.ImageFileHandle.IsOpen());
}

}  // namespace
}  // namespace orvo::pages
