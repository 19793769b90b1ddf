// The services on the running handheld: the identity reply, the identification's quiet failures
// and sessions, the device libraries' records, the library copy, the wait for the boot loader, and
// the backup: choosing its file, and the thread that writes it (whole, or never in part). (The
// flow's use of them is on the wizard's roads; the same calls against the simulator run in the
// Win32 tests.)

#include "backup/backup_thread.h"
#include "device/boot_loader_wait.h"
#include "device/device_copy.h"
#include "device/device_libraries.h"
#include "device/query_device_data.h"
#include "fakes/fake_files.h"
#include "fakes/fake_registry.h"
#include "image/backup_image_writer.h"
#include "image/choose_backup_file.h"
#include "unit/test_support.h"

#include <gtest/gtest.h>

#include <ranges>

namespace orvo::testing {
namespace {

constexpr auto Reply = DeviceDataReply;

TEST(DeviceDataReply, TakesEachFieldFromItsCharacters) {
    // Version, language, model, ROM type, serial link, flash size. A slot without its
    // terminating zero ends at 24 characters.
    const std::array<std::u16string, 4> cases[] = {
        {u"2.04.00 GER", u"Model: Orvo -4700NBT Ser", u"32", u"2.04|GER|Orvo 4700|NBT|1|32"},
        {u"3.10.01 PTB", u"Model: orvo x4700WBT ser", u"  288", u"3.10|PTB|orvo 4700|WBT|0|32"},
        {u"2.04", u"Orvo", u"abc", u"2.04||||0|0"},
        {u"1.00.00 ENGLISH-AND-MORE-TEXT", u"", u"64MB", u"1.00|ENGLISH-A|||0|64"},
    };
    Latin1CodePage code_page;
    for (const auto& [version, model, flash, want] : cases) {
        const auto f = ParseDeviceDataReply(Reply(version, model, flash), code_page);
        ASSERT_TRUE(f.has_value());
        EXPECT_EQ(f->Version + "|" + f->Lang + "|" + f->ModelID + "|" + f->RomTypeCode + "|" +
                      std::to_string(f->SerialLink) + "|" + std::to_string(f->FlashSizeMB),
                  std::string(want.begin(), want.end()));
    }
}

// A handheld that tells its identity, and the program's folder with its libraries.
struct QueryRig : DeviceRig {
    QueryRig() {
        start_dir.Write("GetDeviceData.dll", {1, 2, 3});
        start_dir.Write("ZIB_WriteReserveArea.dll", {4, 5});
        remote.device_data = Reply(u"2.04.00 GER", u"Model: ORVO -4700NBT", u"32");
    }
    int Query() { return QueryDeviceData(state, services); }
};

TEST(QueryDeviceData, FillsTheIdentityAndStoresItInTheReserveArea) {
    QueryRig q;
    q.start_dir.Write("update.NBF", std::vector<std::uint8_t>(5 * 1024 + 1000));
    q.state.SerialLink = 1;
    ASSERT_EQ(q.Query(), 1);
    EXPECT_EQ(IdentityText(q.state.Device) + " " + q.state.Device.Language,
              "ORVO 4700NBTGER2.04 German");
    EXPECT_EQ(q.state.SerialLink, 0);
    EXPECT_EQ(q.state.ImageSizeKB, 5u);
    EXPECT_EQ(q.remote.File(u"\\Windows\\GetDeviceData.dll"), (std::vector<std::uint8_t>{1, 2, 3}));
    const auto calls = q.remote.Invokes();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].library + u"!" + calls[1].function, u"ZIB_WriteReserveArea.dll!WriteArea");
    EXPECT_EQ(q.remote.Inits(), q.remote.Uninits()) << "every session it opened is closed";

    // An unknown language leaves the language name and the image size as they were.
    q.remote.device_data = Reply(u"2.04.00 XYZ", u"Model: Orvo -4700NBT", u"32");
    q.state.ImageSizeKB = 77;
    ASSERT_EQ(q.Query(), 1);
    EXPECT_EQ(q.state.Device.Language, "German");
    EXPECT_EQ(q.state.ImageSizeKB, 77u);
}

TEST(QueryDeviceData, FailsQuietlyWhenTheHandheldCannotBeAskedAndJoinsAnOpenSession) {
    // No session, no library, a short reply, a failed call: only a session it opened is closed.
    for (int fault = 0; fault < 4; ++fault) {
        QueryRig q;
        if (fault == 0) q.remote.init_results = {static_cast<std::int32_t>(0x8007048F)};
        if (fault == 1) std::filesystem::remove(q.start_dir.Path("GetDeviceData.dll"));
        if (fault == 2) q.remote.device_data.resize(149);
        if (fault == 3)
            q.remote.on_invoke = [](auto&) { return FakeRemoteApi::InvokeAnswer{-1, {}}; };
        EXPECT_EQ(q.Query(), 0) << fault;
        EXPECT_EQ(q.state.Device.ModelID, "");
        EXPECT_TRUE(q.ui.Opened().empty());
        EXPECT_EQ(q.remote.Uninits(), fault == 0 ? 0 : 1);
    }
    QueryRig nested;
    nested.remote.init_results = {kRapiAlreadyInitialised, kRapiAlreadyInitialised};
    ASSERT_EQ(nested.Query(), 1);
    EXPECT_EQ(nested.remote.Inits(), 2);
    EXPECT_EQ(nested.remote.Uninits(), 0) << "a nested session closes nothing";
}

TEST(DeviceLibraries, WriteAreaRecordRoundsTheLengthUpAndCarriesTheTextInUtf16) {
    Latin1CodePage code_page;
    const std::pair<std::string, std::uint8_t> lengths[] = {
        {"ORVO 4700NBTGER2.04", 20}, {"Orvo 4700NBTGER2", 16}, {"", 0}, {std::string(40, 'x'), 32}};
    for (const auto& [text, length] : lengths) {
        const auto record = WriteAreaRecord(text, code_page);
        EXPECT_EQ(record[8], length) << text;
        EXPECT_EQ(record[12 + 2 * std::min<std::size_t>(text.size(), 31)], 0) << "its zero";
    }
    const auto record = WriteAreaRecord("AB", code_page);
    EXPECT_EQ(std::vector<std::uint8_t>(record.begin(), record.begin() + 18),
              (std::vector<std::uint8_t>{2, 0, 0, 0, 0x00, 0x01, 0x04, 0xA0, 4, 0, 0, 0, 'A', 0,
                                         'B', 0, 0, 0}));
}

TEST(DeviceLibraries, OpenASessionInFiveAttemptsOrDoNothing) {
    for (int failures : {4, 5}) {
        DeviceRig rig;
        rig.start_dir.Write("ZIB_WriteReserveArea.dll", {1});
        rig.remote.init_results.assign(failures, static_cast<std::int32_t>(0x8007048F));
        EXPECT_EQ(WriteReserveArea(rig.start_dir.Folder(), "ORVO 4700NBTGER2.04", rig.services),
                  failures < 5 ? 1 : 0);
        EXPECT_EQ(rig.remote.Invokes().size(), failures < 5 ? 1u : 0u);
        EXPECT_EQ(rig.clock.Paused(), 4 * 2000) << failures;
    }
}

TEST(DeviceLibraries, SetTheClockFromTheZoneAndTheUtcTime) {
    DeviceRig rig;
    EXPECT_EQ(SetDeviceClock(rig.start_dir.Folder(), rig.services), 1);
    EXPECT_TRUE(rig.log.Has("\r\n Copy SetSystemTime.dll fail\r\n"));
    EXPECT_TRUE(rig.remote.Invokes().empty());

    rig.start_dir.Write("SetSystemTime.dll", {2});
    EXPECT_EQ(SetDeviceClock(rig.start_dir.Folder(), rig.services), 1);
    ASSERT_EQ(rig.remote.Invokes().size(), 1u);
    const std::vector<std::uint8_t> record = rig.remote.Invokes()[0].input;
    ASSERT_EQ(record.size(), 188u);
    EXPECT_EQ((std::vector{record[0], record[171], record[172], record[187]}),
              (std::vector<std::uint8_t>{1, 172, 0xEE, 0xEE}));
}

// A new library and a missing one are on the identification's road above.
TEST(DeviceCopy, ReplacesTheLibraryUnlessItIsLoaded) {
    DeviceRig rig;
    const std::u16string lib = u"\\Windows\\lib.dll";
    rig.remote.PutFile(lib, {9, 9});
    EXPECT_EQ(CopyFileToDevice(rig.services, rig.start_dir.Write("a.dll", {7}), lib), 1);
    EXPECT_EQ(rig.remote.File(lib), std::vector<std::uint8_t>{7});
    rig.remote.MarkInUse(lib);
    EXPECT_EQ(CopyFileToDevice(rig.services, rig.start_dir.Write("b.dll", {8}), lib), 1);
    EXPECT_EQ(rig.remote.File(lib), std::vector<std::uint8_t>{7}) << "a loaded library is kept";
    EXPECT_EQ(rig.remote.OpenHandles(), 0);
    // With progress, an earlier program is moved aside; one in use cannot be replaced.
    const std::string pc = rig.start_dir.Write("backup.exe", Payload(1000));
    rig.remote.PutFile(u"\\Temp\\backup.exe", {1});
    rig.remote.PutFile(u"\\Temp\\old.exe", {2});
    EXPECT_EQ(CopyFileToDeviceWithProgress(rig.services, pc, "\\Temp\\backup.exe", "old.exe"), 1);
    EXPECT_EQ(rig.remote.File(u"\\Temp\\old.exe"), std::vector<std::uint8_t>{1});
    EXPECT_EQ(rig.remote.File(u"\\Temp\\backup.exe"), Payload(1000));
    rig.remote.MarkInUse(u"\\Temp\\backup.exe");
    EXPECT_EQ(CopyFileToDeviceWithProgress(rig.services, pc, "\\Temp\\backup.exe", "backup.exe"),
              0);
}

// Weiter only once the boot loader answers, and an end in either wait once the page has ended.
TEST(BootLoaderWait, WaitsForTheHandheldToLeaveThenForItsBootLoader) {
    DeviceRig rig;
    int port_attempts = 0;
    std::thread leave([&] {
        while (rig.remote.PowerQueries() < 3) std::this_thread::yield();
        rig.remote.SetPowerLine(std::nullopt);
    });
    BootLoaderWaitThread(rig.state, rig.services, [&] { return ++port_attempts == 3 ? 1 : 0; });
    leave.join();
    EXPECT_EQ(port_attempts, 3);
    EXPECT_EQ(rig.state.BootWaitStop, 1);
    // Zurück on and Weiter off while it waits; at the end the other way round.
    const auto calls = rig.ui.ControlCalls();
    ASSERT_GE(calls.size(), 4u);
    using Call = FakeUi::ControlCall;
    constexpr Page kPage = Page::BootLoaderEntry;
    EXPECT_EQ((std::vector{calls[0], calls[1], calls[calls.size() - 2], calls.back()}),
              (std::vector<Call>{{kPage, kBootEntryBackButton, true},
                                 {kPage, kBootEntryForwardButton, false},
                                 {kPage, kBootEntryBackButton, false},
                                 {kPage, kBootEntryForwardButton, true}}));
}

TEST(BootLoaderWait, EndsInEitherWaitOnceThePageHasEnded) {
    for (bool left_activesync : {false, true}) {
        DeviceRig rig;
        if (left_activesync) rig.remote.SetPowerLine(std::nullopt);
        std::atomic<int> port_attempts = 0;
        std::thread page([&] {
            while (rig.remote.PowerQueries() < 3 && port_attempts < 3) std::this_thread::yield();
            rig.state.BootWaitStop = 1;
        });
        BootLoaderWaitThread(rig.state, rig.services, [&] { return ++port_attempts, 0; });
        page.join();
        EXPECT_EQ(port_attempts > 0, left_activesync);
        for (const auto& call : rig.ui.ControlCalls())
            EXPECT_FALSE(call.control == kBootEntryForwardButton && call.enable);
    }
}

using Answer = std::optional<std::string>;

TEST(ChooseBackupFileTest, ProposesWarnsOfAnExistingFileAndMeasuresTheRoomWhereItGoes) {
    const std::string kOld = "\\\\server\\share\\old.nbf", kNew = "D:\\Sicherung\\new.nbf";
    const Answer kCancel;
    // Written out: the threshold itself is under test.
    constexpr std::uint64_t kEnough = 50'331'648;
    constexpr Page kWarning = Page::FileExistsWarning, kNoRoom = Page::BackupSpaceError;
    struct Case {
        const char* name;
        std::vector<Answer> dialog_answers;
        std::vector<int> warning_answers;
        std::optional<std::uint64_t> free_bytes;
        bool chosen;
        std::vector<Page> pages;
        std::vector<bool> shown;
    };
    const Case cases[] = {
        {"exactly enough room", {kNew}, {}, kEnough, true, {}, {}},
        {"one byte too few", {kNew}, {}, kEnough - 1, false, {kNoRoom}, {false, true}},
        {"the room cannot be asked", {kNew}, {}, std::nullopt, false, {kNoRoom}, {false, true}},
        {"Abbrechen, then Cancel", {kOld, kCancel}, {2}, kEnough, false, {kWarning}, {false, true}},
        {"replaced, no room", {kOld}, {1}, 0, false, {kWarning, kNoRoom}, {false, false, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeUi ui;
        FakeFiles files;
        FakeRegistry registry;
        WizardState state;
        std::vector<bool> shown;  // the Options page hidden (false) and shown again (true)
        files.existing = {kOld};
        files.free_bytes = c.free_bytes;
        for (const Answer& answer : c.dialog_answers) ui.ScriptFileDialog(answer);
        for (int answer : c.warning_answers) ui.Script(kWarning, answer);
        ui.Script(kNoRoom, 1);
        state.BackupPath = "earlier";
        state.Device.Version = "2.04";

        const auto show = [&](bool s) { shown.push_back(s); };
        EXPECT_EQ(ChooseBackupFile(state, {ui, files, registry, show}), c.chosen);
        const std::string last = c.dialog_answers.back().value_or("");
        EXPECT_EQ(state.BackupPath, c.chosen ? last : "earlier");
        const auto dialogs = ui.Dialogs();
        ASSERT_EQ(dialogs.size(), c.dialog_answers.size());
        EXPECT_EQ(dialogs[0].kind, FileDialog::Kind::Save);
        EXPECT_EQ(dialogs[0].proposed, "ORVOROM204") << "the version without its point";
        // Shown again, the dialog proposes the name just refused.
        for (std::size_t i = 1; i < dialogs.size(); ++i)
            EXPECT_EQ(dialogs[i].proposed, c.dialog_answers[i - 1]);
        EXPECT_EQ(ui.Opened(), c.pages);
        EXPECT_EQ(shown, c.shown);
        // The whole chosen path is measured, never its first two characters.
        EXPECT_EQ(files.asked_free, last.empty() ? std::vector<std::string>{} : std::vector{last});
    }
}

using Call = FakeUi::ProgressCall;

struct BackupRig : DeviceRig {
    BackupRig() {
        state.BackupPath = start_dir.Path("backup.nbf");
        state.Device = Identity();
        start_dir.Write("BACKUP.EXE", {0x4D, 0x5A});
    }
    void Run() { BackupThread(state, services); }
    std::vector<Call> PageCalls() const {
        std::vector<Call> calls = ui.ProgressCalls();
        std::erase_if(calls, [](const Call& call) { return call.kind < Call::BackupPercent; });
        return calls;
    }
};

// The whole ROM byte for byte under a valid header: the backup road. Here the program's traces
// and the bar.
TEST(BackupThread, AWholeBackupLeavesNoTraceAndFillsItsBar) {
    BackupRig b;
    b.Run();
    EXPECT_EQ(b.start_dir.Read("backup.nbf").size(), 32 + kBackupImageBytes);
    EXPECT_EQ(b.remote.Started(), std::vector<std::u16string>{u"\\Temp\\backup.exe"});
    EXPECT_EQ(b.remote.File(u"\\Temp\\image.nb"), std::nullopt);
    EXPECT_EQ(b.remote.OpenHandles(), 0);
    // 0 before and after the first chunk, then each chunk's share, then the end.
    const std::vector<Call> page = b.PageCalls();
    ASSERT_EQ(page.size(), 1u + 124u + 1u);
    EXPECT_EQ(std::ranges::count(page, +Call::BackupPercent, &Call::kind), 125);
    EXPECT_EQ((std::vector{page[0].value, page[1].value, page[2].value, page[124].value}),
              (std::vector{0, 0, 1, 100}));
    EXPECT_EQ(page.back(), (Call{Call::BackupEnd, 1}));
    EXPECT_EQ(b.clock.Paused(), 5000 + 124 * 100);
    EXPECT_TRUE(b.ui.Opened().empty());
    // After the program's copy the bar counts the ROM, up to its end.
    const auto last = [calls = b.ui.ProgressCalls()](int kind) {
        return *std::ranges::find(calls | std::views::reverse, kind, &Call::kind);
    };
    EXPECT_EQ(last(Call::Range), (Call{Call::Range, 0, static_cast<int>(kBackupImageBytes)}));
    EXPECT_EQ(last(Call::Position), (Call{Call::Position, static_cast<int>(kBackupImageBytes)}));
}

// The device program's own failures and a disk that fills up: the roads and the fault matrix.
TEST(BackupThread, AFailedBackupShowsItsPageAndLeavesAnEarlierBackupAsItWas) {
    // The backup folder missing, or the device program's second chunk one byte short.
    const std::vector<std::uint8_t> earlier = Payload(5000, 9);
    for (const bool short_chunk : {false, true}) {
        SCOPED_TRACE(short_chunk);
        BackupRig b;
        b.start_dir.Write("backup.nbf", earlier);
        if (!short_chunk) b.state.BackupPath = b.start_dir.Path("gone/backup.nbf");
        b.remote.short_chunk = short_chunk ? 1 : SIZE_MAX;
        b.Run();
        EXPECT_EQ(b.ui.Opened(),
                  std::vector{short_chunk ? Page::BackupError : Page::ImageOpenError});
        ASSERT_FALSE(b.PageCalls().empty());
        EXPECT_EQ(b.PageCalls().back(), (Call{Call::BackupEnd, 2}));
        EXPECT_FALSE(b.ui.CloseRequested());
        EXPECT_EQ(b.start_dir.Read("backup.nbf"), earlier);
        EXPECT_FALSE(std::filesystem::exists(BackupImageWriter::TemporaryPath(b.state.BackupPath)));
    }
}

}  // namespace
}  // namespace orvo::testing
