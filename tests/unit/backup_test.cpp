// The backup: choosing its file, and the thread that writes it (whole, or never in part).

#include "backup/backup_thread.h"
#include "fakes/fake_files.h"
#include "fakes/fake_registry.h"
#include "image/backup_image_writer.h"
#include "image/choose_backup_file.h"
#include "unit/test_support.h"

#include <gtest/gtest.h>

namespace orvo::testing {
namespace {

using Answer = std::optional<std::string>;

TEST(ChooseBackupFileTest, ProposesWarnsOfAnExistingFileAndMeasuresTheRoomWhereItGoes) {
    const std::string kOld = "\\\\server\\share\\old.nbf";
    const std::string kNew = "D:\\Sicherung\\new.nbf";
    const Answer kCancel;
    // Written out: the threshold itself is under test.
    constexpr std::uint64_t kEnough = 50'331'648;
    constexpr Page kWarning = Page::FileExistsWarning;
    constexpr Page kNoRoom = Page::BackupSpaceError;
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
        for (std::size_t i = 1; i < dialogs.size(); ++i) {
            EXPECT_EQ(dialogs[i].proposed, c.dialog_answers[i - 1]);
        }
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
        std::vector<Call> calls;
        std::ranges::copy_if(ui.ProgressCalls(), std::back_inserter(calls),
                             [](const Call& call) { return call.kind >= Call::BackupPercent; });
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
    EXPECT_EQ((std::vector{page[0], page[1], page[2], page[124], page.back()}),
              (std::vector<Call>{{Call::BackupPercent, 0},
                                 {Call::BackupPercent, 0},
                                 {Call::BackupPercent, 1},
                                 {Call::BackupPercent, 100},
                                 {Call::BackupEnd, 1}}));
    EXPECT_EQ(b.clock.Paused(), 5000 + 124 * 100);
    EXPECT_TRUE(b.ui.Opened().empty());
    // After the program's copy the bar counts the ROM, up to its end.
    const std::vector<Call> calls = b.ui.ProgressCalls();
    const auto last = [&](Call::Kind kind) {
        return *std::find_if(calls.rbegin(), calls.rend(),
                             [&](const Call& c) { return c.kind == kind; });
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
