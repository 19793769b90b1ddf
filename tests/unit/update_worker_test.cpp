// The Update progress page's workers over an in-memory boot loader: what each checks before it
// writes, which error page ends the program, and that an image refused is never commanded.

#include "bootlink/update_worker.h"
#include "image_test_files.h"
#include "link_test_rig.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace orvo::test {
namespace {

using namespace std::chrono_literals;

enum class BootLoader { Identifies, Erased, Silent };

std::string Answer(BootLoader boot_loader, const std::string& written) {
    if (written.find("readdata") == std::string::npos) return {};
    switch (boot_loader) {
        case BootLoader::Identifies:
            return "QARS " + IdentityText(testing::Identity()) + "QARE";
        case BootLoader::Erased:
            return "QARS " + std::string(24, '\xFF') + "QARE";
        case BootLoader::Silent:
            break;
    }
    return {};
}

bool LoadCommandSent(const FakeSerialPort::Behaviour& port) {
    const std::vector<std::string> written = port.Written();
    return std::any_of(written.begin(), written.end(),
                       [](const std::string& text) { return text.starts_with("lnb "); });
}

TEST(UpdateWorkers, CheckBeforeTheyWriteAndEndTheProgramOnlyAfterTheirOwnPage) {
    using enum BootLoader;
    using Flag = std::atomic<int> WizardState::*;
    const Flag kModel = &WizardState::ImageModelMismatch;
    const Flag kLanguage = &WizardState::ImageLanguageMismatch;
    const Flag kRomType = &WizardState::RomVersionMismatch;
    const std::optional<Page> kNoPage;
    const std::optional<Page> kIncompatible = Page::IncompatibleImage;
    const testing::ImageSpec fits;
    const testing::ImageSpec other_model{.model = "Orvo 4800"};
    const testing::ImageSpec other_language{.lang = "FRE"};
    const testing::ImageSpec other_rom_type{.rom_type = "WBT"};
    struct Case {
        const char* name;
        void (*worker)(BootLink&);
        BootLoader boot_loader;
        const testing::ImageSpec* image;  // none: no such file
        bool remembered;                  // the image path came from the settings
        std::optional<Page> page;         // the error page shown before the program ends
        Flag mismatch = nullptr;
        bool written = false;
    };
    const Case cases[] = {
        {"main: fits", UpdateWorker, Identifies, &fits, false, kNoPage, nullptr, true},
        {"main: model", UpdateWorker, Identifies, &other_model, false, kIncompatible, kModel},
        {"main: language", UpdateWorker, Identifies, &other_language, false, kIncompatible,
         kLanguage},
        {"main: ROM type", UpdateWorker, Identifies, &other_rom_type, false, kIncompatible,
         kRomType},
        {"main: remembered, quietly", UpdateWorker, Identifies, &other_model, true, kNoPage},
        {"main: no identity", UpdateWorker, Erased, &fits, false, Page::IdentificationError},
        {"main: silent, left to the page", UpdateWorker, Silent, &fits, false, kNoPage},
        {"resume: fits", ResumeUpdateWorker, Silent, &fits, false, kNoPage, nullptr, true},
        {"resume: model", ResumeUpdateWorker, Silent, &other_model, false, kIncompatible, kModel},
        {"resume: language", ResumeUpdateWorker, Silent, &other_language, false, kIncompatible,
         kLanguage},
        {"resume: image gone", ResumeUpdateWorker, Silent, nullptr, false, Page::ImageOpenError},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LinkRig rig;
        testing::TempDir files;
        rig.state.ImagePath = c.image ? files.Write("update.nbf", testing::MakeImage(*c.image))
                                      : files.Path("gone.nbf");
        rig.state.ImagePathFromSettings = c.remembered ? 1 : 0;
        rig.state.Device = testing::Identity();
        // Each error page must find the watchdog stopped, or the page could end beneath it.
        std::vector<bool> watchdog_stopped;
        if (c.page) {
            rig.ui.Script(*c.page, [&rig, &watchdog_stopped] {
                const auto calls = rig.ui.ProgressCalls();
                watchdog_stopped.push_back(!calls.empty() &&
                                           calls.back().kind == FakeUi::ProgressCall::StopWatchdog);
                return 1;
            });
        }
        auto port = rig.ports.Add("p");
        const BootLoader boot_loader = c.boot_loader;
        port->responder = [boot_loader](const std::string& written) {
            return Answer(boot_loader, written);
        };
        rig.Connect(port);
        rig.ui.SetWatchdog(90000);

        c.worker(rig.link);

        EXPECT_EQ(rig.ui.Opened(), c.page ? std::vector{*c.page} : std::vector<Page>{});
        EXPECT_EQ(watchdog_stopped, std::vector<bool>(c.page ? 1 : 0, true));
        for (Flag flag : {kModel, kLanguage, kRomType}) {
            EXPECT_EQ(rig.state.*flag, flag == c.mismatch ? 1 : 0);
        }
        EXPECT_EQ(LoadCommandSent(*port), c.written);
        EXPECT_EQ(rig.ui.CloseRequested(), c.page.has_value());
        // The resume variant collapses its page before it refuses the image.
        const auto calls = rig.ui.ProgressCalls();
        const bool collapses = c.worker == ResumeUpdateWorker && c.mismatch != nullptr;
        EXPECT_EQ(std::count(calls.begin(), calls.end(),
                             FakeUi::ProgressCall{FakeUi::ProgressCall::Shrink, false}),
                  collapses ? 1 : 0);
        // Where the worker leaves the program running, the page still ends: by its watchdog.
        if (!c.page) {
            EXPECT_EQ(rig.ui.WaitProgressEnd(5s), 2);
        }
        rig.state.ImageFileHandle.Close();
    }
}

}  // namespace
}  // namespace orvo::test
