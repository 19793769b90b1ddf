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
    using Flag = std::atomic<int> WizardState::*;
    struct Case {
        const char* name;
        void (*worker)(BootLink&);
        BootLoader boot_loader;
        std::optional<testing::ImageSpec> image;  // none: no such file
        bool remembered;                          // the image path came from the settings
        std::vector<Page> pages;
        Flag mismatch;
        bool load_command;
        bool close;
        bool shrunk;
    };
    const testing::ImageSpec fits;
    const testing::ImageSpec other_model{.model = "Orvo 4800"};
    const testing::ImageSpec other_language{.lang = "FRE"};
    const testing::ImageSpec other_rom_type{.rom_type = "WBT"};
    const std::vector<Page> incompatible{Page::IncompatibleImage};
    const Case cases[] = {
        {"main: a fitting image is written",
         UpdateWorker,
         BootLoader::Identifies,
         fits,
         false,
         {},
         nullptr,
         true,
         false,
         false},
        {"main: another model", UpdateWorker, BootLoader::Identifies, other_model, false,
         incompatible, &WizardState::ImageModelMismatch, false, true, false},
        {"main: another language", UpdateWorker, BootLoader::Identifies, other_language, false,
         incompatible, &WizardState::ImageLanguageMismatch, false, true, false},
        {"main: another ROM type", UpdateWorker, BootLoader::Identifies, other_rom_type, false,
         incompatible, &WizardState::RomVersionMismatch, false, true, false},
        {"main: a remembered image of another model is dropped quietly",
         UpdateWorker,
         BootLoader::Identifies,
         other_model,
         true,
         {},
         nullptr,
         false,
         false,
         false},
        {"main: no identity in the flash",
         UpdateWorker,
         BootLoader::Erased,
         fits,
         false,
         {Page::IdentificationError},
         nullptr,
         false,
         true,
         false},
        {"main: a silent boot loader is left to the page and the flow",
         UpdateWorker,
         BootLoader::Silent,
         fits,
         false,
         {},
         nullptr,
         false,
         false,
         false},
        {"resume: a fitting image is written",
         ResumeUpdateWorker,
         BootLoader::Silent,
         fits,
         false,
         {},
         nullptr,
         true,
         false,
         false},
        {"resume: another model", ResumeUpdateWorker, BootLoader::Silent, other_model, false,
         incompatible, &WizardState::ImageModelMismatch, false, true, true},
        {"resume: another language", ResumeUpdateWorker, BootLoader::Silent, other_language, false,
         incompatible, &WizardState::ImageLanguageMismatch, false, true, true},
        {"resume: the image is gone",
         ResumeUpdateWorker,
         BootLoader::Silent,
         std::nullopt,
         false,
         {Page::ImageOpenError},
         nullptr,
         false,
         true,
         false},
    };
    const Flag flags[] = {&WizardState::ImageModelMismatch, &WizardState::ImageLanguageMismatch,
                          &WizardState::RomVersionMismatch};
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
        for (Page page : c.pages) {
            rig.ui.Script(page, [&rig, &watchdog_stopped] {
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

        EXPECT_EQ(rig.ui.Opened(), c.pages);
        EXPECT_EQ(watchdog_stopped, std::vector<bool>(c.pages.size(), true));
        for (Flag flag : flags) EXPECT_EQ(rig.state.*flag, flag == c.mismatch ? 1 : 0);
        EXPECT_EQ(LoadCommandSent(*port), c.load_command);
        EXPECT_EQ(rig.ui.CloseRequested(), c.close);
        const auto calls = rig.ui.ProgressCalls();
        EXPECT_EQ(std::count(calls.begin(), calls.end(),
                             FakeUi::ProgressCall{FakeUi::ProgressCall::Shrink, false}),
                  c.shrunk ? 1 : 0);
        // Where the worker leaves the program running, the page still ends: by its watchdog.
        if (!c.close) {
            EXPECT_EQ(rig.ui.WaitProgressEnd(5s), 2);
        }
        rig.state.ImageFileHandle.Close();
    }
}

}  // namespace
}  // namespace orvo::test
