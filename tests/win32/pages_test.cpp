// The pages of the built romwizard.exe opened through the page seam, as the flow opens them: each
// button the roads leave unpressed ends its page with its result and flag, and each page shows and
// does what is its own (the buttons that lead the roads on, the texts they read: the roads). Then
// every page template made hidden, with each German text its page shows put into its control:
// each fits, and nothing covers the picture or another control or leaves the page.

#include "activesync/activesync_registry.h"
#include "fakes/fake_files.h"
#include "fakes/fake_processes.h"
#include "fakes/fake_registry.h"
#include "fakes/fake_remote_api.h"
#include "fakes/fake_serial_port.h"
#include "fakes/fake_ui.h"
#include "fakes/recording_log.h"
#include "fakes/scaled_clock.h"
#include "pages/backup_progress_page.h"
#include "pages/battery_disconnect_page.h"
#include "pages/boot_loader_entry_page.h"
#include "pages/checking_notice.h"
#include "pages/completion_page.h"
#include "pages/confirmation_page.h"
#include "pages/error_pages.h"
#include "pages/incompatible_image_page.h"
#include "pages/options_page.h"
#include "pages/page_frame.h"
#include "pages/page_ui.h"
#include "pages/power_warning_page.h"
#include "pages/table_pages.h"
#include "pages/update_error_page.h"
#include "pages/update_progress_page.h"
#include "pages/update_ready_page.h"
#include "pages/welcome_page.h"
#include "platform/win32/win32_code_page.h"
#include "unit/test_support.h"
#include "win32/program_resources.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <set>
#include <span>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace orvo::pages {
namespace {

// The real pages over the page seam, with a stand-in main window so that pages are shown, and
// the services they reach held in memory.
struct PageRig {
    PageRig() {
        catalogue.Load([&](int id) { return resources.String(id); });
        display.Make(resources.Module());
        dir.Write("SetSystemTime.dll", {0x4D, 0x5A});
        state.StartDir = dir.Folder();
        state.Device = {"Orvo 4700", "NBT", "GER", "2.04", "German", 32};
        state.Image.Version = "2.10";
        context.hInst = resources.Module();
        context.hMainWnd =
            CreateWindowW(L"STATIC", L"SETUP", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        context.device = &device;
        context.link = &link;
        context.registry = &registry;
        context.processes = &processes;
        context.files = &files;
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

std::wstring TextOf(HWND page, int control) {
    wchar_t text[2048] = {};
    GetDlgItemTextW(page, control, text, 2048);
    return text;
}

using StateFlag = std::atomic<int> WizardState::*;

struct PageCase {
    const char* name;
    Page page;
    int button, result;
    StateFlag flag = nullptr;
    // Runs while the page is shown, before the button is pressed.
    std::function<void(PageRig&, HWND)> shown = nullptr;
    std::function<void(PageRig&)> setup = nullptr, ended = nullptr;
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
         [earlier_brush](PageRig& rig, HWND page) {
             EXPECT_EQ(GetObjectType(*earlier_brush), 0u) << "the earlier brush is released";
             const INT_PTR red = BrushOf(page, IDC_CONNECTION_WARNING);
             EXPECT_EQ(red, reinterpret_cast<INT_PTR>(rig.context.WarningBrush.Get()));
             EXPECT_NE(red, 0);
             EXPECT_NE(BrushOf(page, IDC_CONNECTION_STEPS), red);
         },
         [earlier_brush](PageRig& rig) {
             MakeWarningBrush(rig.context);
             *earlier_brush = rig.context.WarningBrush.Get();
         },
         [](PageRig& rig) { EXPECT_FALSE(rig.context.WarningBrush) << "deleted as it ends"; }},
        {"Options: Sichern cancelled, then Aktualisieren", Page::Options, IDC_OPTIONS_UPDATE,
         IDC_OPTIONS_UPDATE, nullptr,
         [](PageRig& rig, HWND page) {
             EXPECT_EQ(TextOf(page, IDC_OPTIONS_MODEL), rig.T(IDS_MODEL_LABEL) + L" Orvo 4700");
             EXPECT_EQ(TextOf(page, IDC_OPTIONS_VERSION), rig.T(IDS_ROM_VERSION_LABEL) + L" 2.04");
             EXPECT_EQ(TextOf(page, IDC_OPTIONS_LANGUAGE),
                       rig.T(IDS_LANGUAGE_LABEL) + L" " + rig.T(IDS_LANGUAGE_GERMAN));
             ExpectIgnored(page, IDC_OPTIONS_BACKUP);
             EXPECT_EQ(rig.script_ui.Dialogs().size(), 1u);
             EXPECT_EQ(rig.state.BackupPath, "");
         },
         [](PageRig& rig) {
             rig.context.device = &rig.scripted_device;
             rig.script_ui.ScriptFileDialog(std::nullopt);
         }},
        {"Options Enter", Page::Options, IDC_FORWARD, 0},
        // Weiter, which leads on: the roads.
        {"Confirmation Abbrechen", Page::Confirmation, IDC_CANCEL, 2, &WizardState::ExitRequested,
         [](PageRig& rig, HWND page) {
             EXPECT_EQ(TextOf(page, IDC_CONFIRM_DEVICE_VERSION),
                       rig.T(IDS_ROM_VERSION_LABEL) + L" 2.04");
             EXPECT_EQ(TextOf(page, IDC_CONFIRM_IMAGE_VERSION),
                       rig.T(IDS_IMAGE_VERSION_LABEL) + L" 2.10");
         }},
        // Its four texts, by language and line, are one and the same text.
        {"Update-ready Abbrechen", Page::UpdateReady, IDC_CANCEL, 2, &WizardState::ExitRequested,
         [](PageRig& rig, HWND page) {
             EXPECT_EQ(TextOf(page, IDC_READY_TEXT), rig.T(IDS_READY_KNOWN_SERIAL));
         }},
        {"Update-ready Zurück", Page::UpdateReady, IDC_BACK, 2, &WizardState::BackFromUpdateReady},
        {"Battery-disconnect Weiter", Page::BatteryDisconnect, IDC_BATTERY_FORWARD, 0, nullptr,
         [](PageRig& rig, HWND page) {
             EXPECT_FALSE(rig.link.hPort.IsOpen()) << "the link is closed first";
             EXPECT_EQ(rig.link.LinkStop, 1);
             EXPECT_FALSE(rig.state.ImageFileHandle.IsOpen());
             const int polled = rig.remote.PowerQueries();
             ExpectIgnored(page, IDC_CANCEL);
             EXPECT_EQ(rig.remote.PowerQueries(), polled) << "the power poller ends with the link";
             EXPECT_TRUE(rig.processes.calls.empty());
         },
         [serial_port](PageRig& rig) {
             serial_port(rig);
             ASSERT_TRUE(rig.context.workers.power_poller.Start(rig.device));
             rig.state.ImageFileHandle.Open(rig.dir.Path("SetSystemTime.dll"));
             rig.registry.PutText(std::string(FakeRegistry::kMachine) + kConnectionManagerKeyPath,
                                  "", "C:\\ActiveSync\\wcesmgr.exe");
         },
         [](PageRig& rig) {
             EXPECT_EQ(rig.processes.calls,
                       std::vector<std::string>{"start C:\\ActiveSync\\wcesmgr.exe"});
         }},
        {"Completion closed", Page::Completion, IDC_CANCEL, 1, nullptr, nullptr, nullptr,
         [](PageRig& rig) {
             ASSERT_EQ(rig.remote.Invokes().size(), 1u);
             EXPECT_EQ(rig.remote.Invokes()[0].function, u"SetSysTime");
         }},
        {"Update error over a serial line", Page::UpdateError, IDC_CANCEL, 1, nullptr,
         [](PageRig& rig, HWND) { EXPECT_FALSE(rig.link.hPort.IsOpen()); }, serial_port},
    };
    for (const ErrorPage& error : kPlainErrorPages) {
        const int exit = error.spec.buttons.front().control;
        // Where the exit button has its own ID, Esc does nothing.
        cases.push_back(
            {"plain error page", error.page, exit, 1, nullptr, [exit](PageRig&, HWND page) {
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
        if (c.setup) c.setup(rig);
        std::thread user([&] {
            HWND page = nullptr;
            const bool shown = testing::Eventually([&] {
                page = FindWindowW(L"#32770", rig.T(IDS_CAPTION).c_str());
                return page != nullptr && IsWindowVisible(page);
            });
            EXPECT_TRUE(shown) << "the page was not shown with its caption";
            if (shown && c.shown) c.shown(rig, page);
            PostMessageW(page, WM_COMMAND, MAKEWPARAM(c.button, BN_CLICKED), 0);
        });
        const int result = rig.ui.OpenPage(c.page);
        user.join();
        EXPECT_EQ(result, c.result);
        for (StateFlag flag : kFlags) EXPECT_EQ(rig.state.*flag, flag == c.flag ? 1 : 0);
        if (c.ended) c.ended(rig);
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
        ASSERT_TRUE(
            testing::Eventually([&] { return rig.context.hProgressPage.load() != nullptr; }));
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

INT_PTR CALLBACK QuietPage(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

// The space a text takes, wrapped at `width` pixels as a static control wraps it.
SIZE Measure(HWND window, HFONT font, const std::wstring& text, int width, bool single_line) {
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, font);
    RECT need{0, 0, width, 0};
    DrawTextW(
        dc, text.c_str(), -1, &need,
        DT_CALCRECT | DT_EXPANDTABS | DT_NOPREFIX | (single_line ? DT_SINGLELINE : DT_WORDBREAK));
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return SIZE{need.right, need.bottom};
}

// The text fits its control. Lists whose items go on in an indented line are broken by hand; a
// further break inside such an item would leave a stray word on a line of its own.
void ExpectFits(HWND page, int id, HFONT font, const std::wstring& text) {
    SCOPED_TRACE("control " + std::to_string(id));
    const HWND control = GetDlgItem(page, id);
    ASSERT_TRUE(control != nullptr && !text.empty());
    RECT client;
    GetClientRect(control, &client);
    wchar_t name[32] = {};
    GetClassNameW(control, name, 32);
    // A button needs room for its frame beside the text.
    const bool button = _wcsicmp(name, L"Button") == 0;
    const int margin = button ? 8 : 0;
    SIZE need = Measure(control, font, text, client.right - margin, button);
    EXPECT_TRUE(need.cx + margin <= client.right && need.cy <= client.bottom)
        << "needs " << need.cx << "x" << need.cy << " px, has " << client.right << "x"
        << client.bottom;
    for (std::size_t end = text.find(L'\n'); end != std::wstring::npos;
         end = text.find(L'\n', end + 1)) {
        if (end + 1 >= text.size() || text[end + 1] != L' ') continue;
        const std::size_t start = end == 0 ? 0 : text.rfind(L'\n', end - 1) + 1;
        std::wstring line = text.substr(start, end - start);
        std::erase(line, L'\r');
        EXPECT_LE(Measure(control, font, line, 4000, true).cx, client.right)
            << "breaks " << ::testing::PrintToString(line);
    }
}

// Nothing covers the picture (240 x 320 pixels at (10, 10) on a framed page) or another control
// or leaves the page, but for labels and bullets that stand on purpose in the blank indent of a
// text: template, the lower control ID, the higher.
void ExpectApart(HWND page, int id) {
    static const std::set<std::tuple<int, int, int>> kInIndent = {
        {103, 1177, 1182}, {167, 1194, 1214}, {167, 1194, 1215}};
    const bool framed = (GetWindowLongPtrW(page, GWL_STYLE) & WS_CAPTION) != 0;
    RECT client;
    GetClientRect(page, &client);
    std::vector<std::pair<int, RECT>> children;
    for (HWND c = GetWindow(page, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
        RECT rect;
        GetWindowRect(c, &rect);
        MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&rect), 2);
        children.emplace_back(GetDlgCtrlID(c), rect);
    }
    for (std::size_t i = 0; i < children.size(); ++i) {
        const auto& [a_id, a] = children[i];
        EXPECT_TRUE(!framed || a.left >= 250) << "control " << a_id << " covers the picture";
        EXPECT_TRUE(a.left >= 0 && a.top >= 0 && a.right <= client.right &&
                    a.bottom <= client.bottom)
            << "control " << a_id << " leaves the page";
        for (std::size_t j = i + 1; j < children.size(); ++j) {
            const auto& [b_id, b] = children[j];
            if (kInIndent.count({id, std::min(a_id, b_id), std::max(a_id, b_id)})) continue;
            RECT both;
            EXPECT_FALSE(IntersectRect(&both, &a, &b))
                << "controls " << a_id << " and " << b_id << " overlap";
        }
    }
}

TEST(PageLayout, EveryTextFitsItsControlAndNoControlCoversAnother) {
    const test::ProgramResources program;
    ASSERT_NE(program.Module(), nullptr);
    std::vector<std::pair<int, std::span<const PageText>>> pages = {
        {IDD_WELCOME, kWelcomeTexts},
        {IDD_PREPARATION, kPreparationTexts},
        {IDD_CONNECTION, kConnectionTexts},
        {IDD_CHECKING_NOTICE, kCheckingNoticeTexts},
        {IDD_CONFIRMATION, kConfirmationTexts},
        {IDD_UPDATE_READY, kUpdateReadyTexts},
        {IDD_BOOT_LOADER_ENTRY, kBootLoaderEntryTexts},
        {IDD_POWER_WARNING, kPowerWarningTexts},
        {IDD_FILE_EXISTS_WARNING, kFileExistsTexts},
        {IDD_BATTERY_DISCONNECT, kBatteryDisconnectTexts},
        {IDD_COMPLETION, kCompletionTexts},
        {IDD_OPTIONS, kOptionsTexts},
        {IDD_UPDATE_PROGRESS, kUpdateProgressTexts},
        {IDD_BACKUP_PROGRESS, kBackupProgressTexts},
        {IDD_INCOMPATIBLE_IMAGE, kIncompatibleImageTexts},
        {IDD_UPDATE_ERROR, kUpdateErrorTexts}};
    for (const ErrorPage& error : kPlainErrorPages) {
        pages.emplace_back(static_cast<int>(error.page), error.spec.texts);
    }
    ASSERT_EQ(pages.size(), 27u);
    int extras = 0;
    for (const auto& [id, texts] : pages) {
        SCOPED_TRACE("template " + std::to_string(id));
        const HWND page =
            CreateDialogParamW(program.Module(), MAKEINTRESOURCEW(id), nullptr, QuietPage, 0);
        ASSERT_NE(page, nullptr);
        // The fonts of the text styles, made by the pages' own font makers.
        const HeadingFont heading = HeadingFont::Make(page);
        const win32::OwnedFont bold = MakeWeightedPageFont(page, FW_BOLD);
        const auto plain = reinterpret_cast<HFONT>(SendMessageW(page, WM_GETFONT, 0, 0));
        const HFONT fonts[] = {plain, heading.Get(), bold.Get(), plain};
        // Each row's text, a label with the longest value a row shows.
        const std::wstring longest = program.String(IDS_LANGUAGE_TCHINESE);
        for (const PageText& entry : texts) {
            std::wstring text = program.String(entry.text);
            if (entry.form == TextForm::Labelled) text += L" " + longest;
            if (entry.form == TextForm::Number) text = L"4095 " + text;
            ExpectFits(page, entry.control, fonts[static_cast<int>(entry.style)], text);
        }
        // The Zurück button and the percent text where the template has them (six and two).
        extras += (GetDlgItem(page, IDC_BACK) != nullptr) +
                  (GetDlgItem(page, IDC_PROGRESS_PERCENT) != nullptr);
        if (GetDlgItem(page, IDC_BACK))
            ExpectFits(page, IDC_BACK, plain, program.String(IDS_ZURUECK));
        if (GetDlgItem(page, IDC_PROGRESS_PERCENT))
            ExpectFits(page, IDC_PROGRESS_PERCENT, plain, L"100");
        ExpectApart(page, id);
        DestroyWindow(page);
    }
    EXPECT_EQ(extras, 8) << "a template lost its Zurück button or percent text";
}

}  // namespace
}  // namespace orvo::pages
