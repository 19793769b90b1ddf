// Opens the pages of the built romwizard.exe through the page seam, as the flow does: each shows
// the texts of its own table, and each button ends it with its result and its flag.

#include "fakes/fake_files.h"
#include "fakes/fake_processes.h"
#include "fakes/fake_registry.h"
#include "fakes/fake_remote_api.h"
#include "fakes/fake_serial_port.h"
#include "fakes/fake_ui.h"
#include "fakes/recording_log.h"
#include "fakes/scaled_clock.h"
#include "activesync/activesync_registry.h"
#include "pages/battery_disconnect_page.h"
#include "pages/completion_page.h"
#include "pages/confirmation_page.h"
#include "pages/error_pages.h"
#include "pages/incompatible_image_page.h"
#include "pages/options_page.h"
#include "pages/page_ui.h"
#include "pages/table_pages.h"
#include "pages/update_error_page.h"
#include "pages/update_ready_page.h"
#include "pages/welcome_page.h"
#include "platform/win32/win32_code_page.h"
#include "unit/image_test_files.h"
#include "win32/page_rig.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace orvo::pages {
namespace {

// The real pages with the services they reach.
struct PageRig : test::PageRig {
    PageRig() {
        display.Make(resources.Module());
        context.device = &device;
        context.link = &link;
        context.registry = &registry;
        context.processes = &processes;
        context.files = &files;
        remote.on_invoke = [this](const FakeRemoteApi::InvokeCall& call) {
            if (call.function == u"SetSysTime") ++clock_set;
            return FakeRemoteApi::InvokeAnswer{};
        };
        dir.Write("SetSystemTime.dll", {0x4D, 0x5A});
        state.StartDir = dir.Folder();
        state.Device = {"Orvo 4700", "NBT", "GER", "2.04", "German", 32};
        state.Image.Version = "2.10";
    }
    std::wstring T(int id) const { return catalogue.Text(id); }

    FakeRemoteApi remote;
    ScaledClock clock{10};
    win32::Win32AnsiCodePage code_page;
    win32::Win32PcClock pc_clock;
    RecordingLog log;
    // The Options page's save dialog and warnings, answered by script.
    FakeUi script_ui;
    DeviceServices device{remote, clock, code_page, pc_clock, script_ui, log};
    FakeSerialPorts ports;
    BootLink link{state, LinkServices{ports, clock, log, ui, {}, {}}};
    FakeRegistry registry;
    FakeProcesses processes;
    FakeFiles files;
    testing::TempDir dir;
    int clock_set = 0;
};

// Keeps the first visible dialog of the thread's windows.
BOOL CALLBACK KeepVisibleDialog(HWND window, LPARAM out) {
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (std::wstring(name) != L"#32770" || !IsWindowVisible(window)) return TRUE;
    *reinterpret_cast<HWND*>(out) = window;
    return FALSE;
}

// The dialog a thread shows, once it is there.
HWND WaitForPage(DWORD thread) {
    HWND found = nullptr;
    test::Eventually([&] {
        EnumThreadWindows(thread, KeepVisibleDialog, reinterpret_cast<LPARAM>(&found));
        return found != nullptr;
    });
    return found;
}

std::wstring TextOf(HWND page, int control) {
    wchar_t text[2048] = {};
    GetDlgItemTextW(page, control, text, 2048);
    return text;
}

// Every control of the table shows what the table says: its catalogue text, the label of a
// labelled row before its value, the unit after a number, one of the texts listed for a choice.
void ExpectTableTexts(const PageRig& rig, HWND page, std::span<const PageText> table) {
    for (const PageText& entry : table) {
        SCOPED_TRACE("control " + std::to_string(entry.control));
        const std::wstring shown = TextOf(page, entry.control);
        const std::wstring text = rig.T(entry.text);
        ASSERT_FALSE(text.empty()) << "catalogue text " << entry.text;
        switch (entry.form) {
            case TextForm::Fixed:
                EXPECT_EQ(shown, text);
                break;
            case TextForm::Labelled:
                EXPECT_EQ(shown.rfind(text + L" ", 0), 0u) << ::testing::PrintToString(shown);
                break;
            case TextForm::Number:
                EXPECT_TRUE(shown.ends_with(L" " + text)) << ::testing::PrintToString(shown);
                break;
            case TextForm::Chosen:
                EXPECT_TRUE(std::any_of(table.begin(), table.end(), [&](const PageText& other) {
                    return other.control == entry.control && rig.T(other.text) == shown;
                })) << ::testing::PrintToString(shown);
                break;
        }
    }
}

using StateFlag = std::atomic<int> WizardState::*;

struct PageCase {
    const char* name;
    Page page;
    std::span<const PageText> texts;
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

void ExpectShown(HWND page, int control, const std::wstring& text) {
    EXPECT_EQ(TextOf(page, control), text) << "control " << control;
}

// The brush a page answers for one of its static controls.
INT_PTR BrushOf(HWND page, int control) {
    win32::OwnedDC dc(CreateCompatibleDC(nullptr));
    return SendMessageW(page, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.Get()),
                        reinterpret_cast<LPARAM>(GetDlgItem(page, control)));
}

std::vector<PageCase> Cases() {
    std::vector<PageCase> cases = {
        {"Welcome Abbrechen", Page::Welcome, kWelcomeTexts, IDC_CANCEL, 1,
         &WizardState::ExitRequested, [](PageRig& rig) { MakeWarningBrush(rig.context); },
         [](PageRig&, HWND) {}, [](PageRig& rig) { EXPECT_FALSE(rig.context.WarningBrush); }},
        {"Preparation Abbrechen", Page::Preparation, kPreparationTexts, IDC_CANCEL, 1,
         &WizardState::ExitRequested},
        {"Connection Abbrechen", Page::Connection, kConnectionTexts, IDC_CANCEL, 1,
         &WizardState::ExitRequested, [](PageRig&) {},
         [](PageRig& rig, HWND page) {
             const INT_PTR red = BrushOf(page, IDC_CONNECTION_WARNING);
             EXPECT_EQ(red, reinterpret_cast<INT_PTR>(rig.context.WarningBrush.Get()));
             EXPECT_NE(red, 0);
             EXPECT_NE(BrushOf(page, IDC_CONNECTION_STEPS), red);
         },
         [](PageRig& rig) { EXPECT_FALSE(rig.context.WarningBrush) << "deleted when it ends"; }},
        {"Options Aktualisieren", Page::Options, kOptionsTexts, IDC_OPTIONS_UPDATE,
         IDC_OPTIONS_UPDATE, nullptr, [](PageRig&) {},
         [](PageRig& rig, HWND page) {
             EXPECT_EQ(rig.context.hOptionsPage, page);
             ExpectShown(page, IDC_OPTIONS_MODEL, rig.T(IDS_MODEL_LABEL) + L" Orvo 4700");
             ExpectShown(page, IDC_OPTIONS_VERSION, rig.T(IDS_ROM_VERSION_LABEL) + L" 2.04");
             ExpectShown(page, IDC_OPTIONS_LANGUAGE,
                         rig.T(IDS_LANGUAGE_LABEL) + L" " + rig.T(IDS_LANGUAGE_GERMAN));
         },
         [](PageRig& rig) { EXPECT_EQ(rig.context.hOptionsPage, nullptr); }},
        {"Options Abbrechen", Page::Options, kOptionsTexts, IDC_CANCEL, 1,
         &WizardState::ExitRequested},
        {"Options Enter", Page::Options, kOptionsTexts, IDC_FORWARD, 0},
        {"Options Sichern cancelled, then Aktualisieren", Page::Options, kOptionsTexts,
         IDC_OPTIONS_UPDATE, IDC_OPTIONS_UPDATE, nullptr,
         [](PageRig& rig) { rig.script_ui.ScriptFileDialog(std::nullopt); },
         [](PageRig& rig, HWND page) {
             ExpectIgnored(page, IDC_OPTIONS_BACKUP);
             EXPECT_EQ(rig.script_ui.Dialogs().size(), 1u);
             EXPECT_EQ(rig.state.BackupPath, "");
         }},
        {"Confirmation Weiter", Page::Confirmation, kConfirmationTexts, IDC_FORWARD, 1, nullptr,
         [](PageRig&) {},
         [](PageRig& rig, HWND page) {
             ExpectShown(page, IDC_CONFIRM_DEVICE_VERSION, rig.T(IDS_ROM_VERSION_LABEL) + L" 2.04");
             ExpectShown(page, IDC_CONFIRM_IMAGE_VERSION,
                         rig.T(IDS_IMAGE_VERSION_LABEL) + L" 2.10");
             EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, IDC_BACK)));
         }},
        {"Confirmation Abbrechen", Page::Confirmation, kConfirmationTexts, IDC_CANCEL, 2,
         &WizardState::ExitRequested},
        {"Update-ready Weiter over USB", Page::UpdateReady, kUpdateReadyTexts, IDC_FORWARD, 1,
         nullptr, [](PageRig& rig) { rig.state.SerialLink = 0; },
         [](PageRig& rig, HWND page) {
             ExpectShown(page, IDC_READY_TEXT, rig.T(IDS_READY_KNOWN_USB));
         }},
        {"Update-ready Abbrechen, another language", Page::UpdateReady, kUpdateReadyTexts,
         IDC_CANCEL, 2, &WizardState::ExitRequested,
         [](PageRig& rig) { rig.state.Device.Language = "Japanese"; },
         [](PageRig& rig, HWND page) {
             ExpectShown(page, IDC_READY_TEXT, rig.T(IDS_READY_OTHER_SERIAL));
         }},
        {"Update-ready Zurück", Page::UpdateReady, kUpdateReadyTexts, IDC_BACK, 2,
         &WizardState::BackFromUpdateReady},
        {"File-exists Abbrechen", Page::FileExistsWarning, kFileExistsTexts, IDC_CANCEL, 2},
        {"Battery-disconnect Weiter", Page::BatteryDisconnect, kBatteryDisconnectTexts,
         IDC_BATTERY_FORWARD, 0, nullptr,
         [](PageRig& rig) {
             rig.link.hPort.Set(std::make_shared<FakeSerialPort>(rig.ports.Add("COM1")));
             rig.link.LinkStop = 0;
             rig.state.ImageFileHandle.Open(rig.dir.Path("SetSystemTime.dll"));
             rig.registry.PutText(std::string(FakeRegistry::kMachine) + kConnectionManagerKeyPath,
                                  "", "C:\\ActiveSync\\wcesmgr.exe");
         },
         [](PageRig& rig, HWND page) {
             EXPECT_FALSE(rig.link.hPort.IsOpen()) << "the link is closed first";
             EXPECT_EQ(rig.link.LinkStop, 1);
             EXPECT_FALSE(rig.state.ImageFileHandle.IsOpen());
             ExpectIgnored(page, IDC_CANCEL);
             EXPECT_TRUE(rig.processes.calls.empty());
         },
         [](PageRig& rig) {
             EXPECT_EQ(rig.processes.calls,
                       std::vector<std::string>{"start C:\\ActiveSync\\wcesmgr.exe"});
         }},
        {"Completion closed", Page::Completion, kCompletionTexts, IDC_CANCEL, 1, nullptr,
         [](PageRig&) {}, [](PageRig&, HWND) {}, [](PageRig& rig) { EXPECT_EQ(rig.clock_set, 1); }},
        {"Incompatible image Beenden", Page::IncompatibleImage, kIncompatibleImageTexts, IDC_CANCEL,
         1, nullptr,
         [](PageRig& rig) {
             rig.state.ImageLanguageMismatch = 1;
             rig.state.RomVersionMismatch = 1;
             rig.state.ImageModelMismatch = 1;
         },
         [](PageRig&, HWND) {},
         [](PageRig& rig) {
             EXPECT_EQ(rig.state.ImageLanguageMismatch + rig.state.RomVersionMismatch +
                           rig.state.ImageModelMismatch,
                       0);
             EXPECT_FALSE(rig.context.WarningBrush);
         }},
        {"Update error over a serial line", Page::UpdateError, kUpdateErrorTexts, IDC_CANCEL, 1,
         nullptr,
         [](PageRig& rig) {
             rig.link.hPort.Set(std::make_shared<FakeSerialPort>(rig.ports.Add("COM1")));
         },
         [](PageRig& rig, HWND) { EXPECT_FALSE(rig.link.hPort.IsOpen()); }},
        {"Update error over USB", Page::UpdateError, kUpdateErrorTexts, IDC_CANCEL, 1, nullptr,
         [](PageRig& rig) {
             rig.state.SerialLink = 0;
             rig.link.hPort.Set(std::make_shared<FakeSerialPort>(rig.ports.Add("USB")));
         },
         [](PageRig& rig, HWND) { EXPECT_TRUE(rig.link.hPort.IsOpen()) << "left alone"; }},
    };
    for (const ErrorPage& error : kPlainErrorPages) {
        const int exit = error.spec.buttons.front().control;
        cases.push_back({"plain error page", error.page, error.spec.texts, exit, 1, nullptr,
                         [](PageRig&) {},
                         [exit](PageRig&, HWND page) {
                             // Where the exit button has its own ID, Esc does nothing.
                             if (exit == IDC_EXIT) ExpectIgnored(page, IDC_CANCEL);
                         }});
    }
    return cases;
}

TEST(Pages, ShowTheirTableTextsAndEndWithTheirButtonsResultAndFlag) {
    for (PageCase& c : Cases()) {
        SCOPED_TRACE(std::string(c.name) + ", template " +
                     std::to_string(static_cast<int>(c.page)));
        PageRig rig;
        ASSERT_NE(rig.resources.Module(), nullptr);
        c.setup(rig);
        std::thread user([&, thread = GetCurrentThreadId()] {
            const HWND page = WaitForPage(thread);
            if (page == nullptr) {
                ADD_FAILURE() << "the page was not shown";
                return;
            }
            wchar_t title[128] = {};
            GetWindowTextW(page, title, 128);
            EXPECT_EQ(title, rig.T(IDS_CAPTION));
            ExpectTableTexts(rig, page, c.texts);
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

}  // namespace
}  // namespace orvo::pages
