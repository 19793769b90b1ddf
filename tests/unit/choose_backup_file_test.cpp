#include "image/choose_backup_file.h"

#include "activesync/activesync_registry.h"
#include "fakes/fake_files.h"
#include "fakes/fake_registry.h"
#include "fakes/fake_ui.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace orvo {
namespace {

using Answer = std::optional<std::string>;

TEST(ChooseBackupFileTest, ProposesAsksWarnsAndMeasuresWhereTheFileGoes) {
    const std::string kOld = "\\\\server\\share\\old.nbf";
    const std::string kNew = "D:\\Sicherung\\new.nbf";
    constexpr std::uint64_t kEnough = kBackupFreeBytes;
    struct Case {
        const char* name;
        std::string version;
        // The Windows NT version in the registry; none: not there.
        std::optional<std::string> nt_version;
        std::vector<Answer> dialog_answers;
        std::vector<int> warning_answers;
        std::optional<std::uint64_t> free_bytes;
        bool chosen;
        std::vector<std::string> proposed;
        std::vector<Page> pages;
        std::vector<bool> options_shown;
    };
    const Case cases[] = {
        {"a new file with exactly enough room",
         "2.04",
         "5.1",
         {kNew},
         {},
         kEnough,
         true,
         {"ORVOROM204"},
         {},
         {}},
        {"an empty version, the dialog cancelled",
         "",
         "5.1",
         {std::nullopt},
         {},
         kEnough,
         false,
         {"ORVOROM"},
         {},
         {}},
        {"a short version keeps what it has",
         "3",
         "6.1",
         {kNew},
         {},
         kEnough,
         true,
         {"ORVOROM3"},
         {},
         {}},
        {"one byte too few",
         "2.04",
         "5.1",
         {kNew},
         {},
         kEnough - 1,
         false,
         {"ORVOROM204"},
         {Page::BackupSpaceError},
         {false, true}},
        {"the room cannot be asked",
         "2.04",
         "5.1",
         {kNew},
         {},
         std::nullopt,
         false,
         {"ORVOROM204"},
         {Page::BackupSpaceError},
         {false, true}},
        {"an existing file, Abbrechen, another name",
         "2.04",
         "5.1",
         {kOld, kNew},
         {2},
         kEnough,
         true,
         {"ORVOROM204", kOld},
         {Page::FileExistsWarning},
         {false, true}},
        {"an existing file, Abbrechen, dialog cancelled",
         "2.04",
         "5.1",
         {kOld, std::nullopt},
         {2},
         kEnough,
         false,
         {"ORVOROM204", kOld},
         {Page::FileExistsWarning},
         {false, true}},
        {"an existing file replaced by Weiter",
         "2.04",
         "4.0",
         {kOld},
         {1},
         kEnough,
         true,
         {"ORVOROM204"},
         {Page::FileExistsWarning},
         {false}},
        {"an existing file replaced, then too little room",
         "2.04",
         std::nullopt,
         {kOld},
         {1},
         0,
         false,
         {"ORVOROM204"},
         {Page::FileExistsWarning, Page::BackupSpaceError},
         {false, false, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeUi ui;
        FakeFiles files;
        FakeRegistry registry;
        if (c.nt_version) {
            registry.PutText(std::string(FakeRegistry::kMachine) + kWindowsVersionKeyPath,
                             "CurrentVersion", *c.nt_version);
        }
        files.existing = {kOld};
        files.free_bytes = c.free_bytes;
        for (const Answer& answer : c.dialog_answers) ui.ScriptFileDialog(answer);
        for (int answer : c.warning_answers) ui.Script(Page::FileExistsWarning, answer);
        ui.Script(Page::BackupSpaceError, 1);
        std::vector<bool> shown;
        WizardState state;
        state.Device.Version = c.version;
        state.BackupPath = "earlier";

        const bool chosen = ChooseBackupFile(
            state, {ui, files, registry, [&shown](bool show) { shown.push_back(show); }});

        EXPECT_EQ(chosen, c.chosen);
        const std::string last_answer = c.dialog_answers.back().value_or("");
        EXPECT_EQ(state.BackupPath, c.chosen ? last_answer : "earlier");
        // Windows NT 4 and 5 keep their users' files in the profile, the others on drive C.
        const bool nt4_or_nt5 = c.nt_version && (*c.nt_version)[0] <= '5';
        const std::string folder =
            nt4_or_nt5 ? "%USERPROFILE%\\Eigene Dateien" : "c:\\Eigene Dateien";
        std::vector<std::string> proposed;
        for (const FakeUi::DialogShown& dialog : ui.Dialogs()) {
            EXPECT_EQ(dialog.kind, FileDialog::Kind::Save);
            EXPECT_EQ(dialog.initial_folder, folder);
            proposed.push_back(dialog.proposed);
        }
        EXPECT_EQ(proposed, c.proposed);
        EXPECT_EQ(ui.Opened(), c.pages);
        EXPECT_EQ(shown, c.options_shown);
        // The room is asked for the whole chosen path, never for its first two characters.
        const std::vector<std::string> measured =
            last_answer.empty() ? std::vector<std::string>{} : std::vector{last_answer};
        EXPECT_EQ(files.asked_free, measured);
    }
}

}  // namespace
}  // namespace orvo
