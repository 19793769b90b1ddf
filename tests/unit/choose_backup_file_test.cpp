#include "image/choose_backup_file.h"

#include "fakes/fake_files.h"
#include "fakes/fake_registry.h"
#include "fakes/fake_ui.h"

#include <gtest/gtest.h>

namespace orvo {
namespace {

using Answer = std::optional<std::string>;

struct ChoiceRig {
    FakeUi ui;
    FakeFiles files;
    FakeRegistry registry;
    WizardState state;
    std::vector<bool> shown;  // the Options page hidden (false) and shown again (true)

    bool Choose() {
        return ChooseBackupFile(state,
                                {ui, files, registry, [this](bool s) { shown.push_back(s); }});
    }
};

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
        {"Abbrechen, another name", {kOld, kNew}, {2}, kEnough, true, {kWarning}, {false, true}},
        {"Abbrechen, then Cancel", {kOld, kCancel}, {2}, kEnough, false, {kWarning}, {false, true}},
        {"replaced by Weiter", {kOld}, {1}, kEnough, true, {kWarning}, {false}},
        {"replaced, then no room",
         {kOld},
         {1},
         0,
         false,
         {kWarning, kNoRoom},
         {false, false, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ChoiceRig rig;
        rig.files.existing = {kOld};
        rig.files.free_bytes = c.free_bytes;
        for (const Answer& answer : c.dialog_answers) rig.ui.ScriptFileDialog(answer);
        for (int answer : c.warning_answers) rig.ui.Script(kWarning, answer);
        rig.ui.Script(kNoRoom, 1);
        rig.state.BackupPath = "earlier";
        rig.state.Device.Version = "2.04";

        EXPECT_EQ(rig.Choose(), c.chosen);
        const std::string last = c.dialog_answers.back().value_or("");
        EXPECT_EQ(rig.state.BackupPath, c.chosen ? last : "earlier");
        const auto dialogs = rig.ui.Dialogs();
        ASSERT_EQ(dialogs.size(), c.dialog_answers.size());
        EXPECT_EQ(dialogs[0].kind, FileDialog::Kind::Save);
        EXPECT_EQ(dialogs[0].proposed, "ORVOROM204") << "the version without its point";
        // Shown again, the dialog proposes the name just refused.
        for (std::size_t i = 1; i < dialogs.size(); ++i) {
            EXPECT_EQ(dialogs[i].proposed, c.dialog_answers[i - 1]);
        }
        EXPECT_EQ(rig.ui.Opened(), c.pages);
        EXPECT_EQ(rig.shown, c.shown);
        // The whole chosen path is measured, never its first two characters.
        EXPECT_EQ(rig.files.asked_free,
                  last.empty() ? std::vector<std::string>{} : std::vector{last});
    }
}

}  // namespace
}  // namespace orvo
