// The Update progress page's workers over an in-memory boot loader: what each checks before it
// writes, which error page ends the program, and that an image refused is never commanded. (An
// image that fits is written: the download tests and the roads.)

#include "bootlink/update_worker.h"
#include "unit/test_support.h"

#include <gtest/gtest.h>

namespace orvo::testing {
namespace {

using namespace std::chrono_literals;

TEST(UpdateWorkers, CheckBeforeTheyWriteAndEndTheProgramOnlyAfterTheirOwnPage) {
    using Flag = std::atomic<int> WizardState::*;
    using Call = FakeUi::ProgressCall;
    const Flag kModel = &WizardState::ImageModelMismatch;
    const Flag kLanguage = &WizardState::ImageLanguageMismatch;
    const Flag kRomType = &WizardState::RomVersionMismatch;
    const std::optional<Page> kNoPage;
    const std::optional<Page> kIncompatible = Page::IncompatibleImage;
    const std::string identity = "QARS " + IdentityText(Identity()) + "QARE";
    const std::string erased = "QARS " + std::string(24, '\xFF') + "QARE";
    const std::string too_long = "QARS " + std::string(200, 'x') + "QARE";
    struct Case {
        const char* name;
        void (*worker)(BootLink&);
        std::string answer;              // to every read-data command; empty: none
        std::optional<ImageSpec> image;  // none: no such file
        std::optional<Page> page;        // the error page shown before the program ends
        Flag mismatch = nullptr;
        bool remembered = false;  // the image path came from the settings
    };
    const ImageSpec k4800{.model = "Orvo 4800"};
    const Case cases[] = {
        {"main: model", UpdateWorker, identity, k4800, kIncompatible, kModel},
        {"main: ROM type", UpdateWorker, identity, ImageSpec{.rom_type = "WBT"}, kIncompatible,
         kRomType},
        {"main: remembered, quietly", UpdateWorker, identity, k4800, kNoPage, nullptr, true},
        {"main: no identity", UpdateWorker, erased, ImageSpec{}, Page::IdentificationError},
        {"main: silent, left to the page", UpdateWorker, "", ImageSpec{}, kNoPage},
        {"main: answer too long, left to the page", UpdateWorker, too_long, ImageSpec{}, kNoPage},
        {"resume: language", ResumeUpdateWorker, "", ImageSpec{.lang = "FRE"}, kIncompatible,
         kLanguage},
        {"resume: image gone", ResumeUpdateWorker, "", std::nullopt, Page::ImageOpenError},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LinkRig rig;
        rig.state.ImagePath = c.image ? rig.files.Write("update.nbf", MakeImage(*c.image))
                                      : rig.files.Path("gone.nbf");
        rig.state.ImagePathFromSettings = c.remembered ? 1 : 0;
        rig.state.Device = Identity();
        // Each error page must find the watchdog stopped, or the page could end beneath it.
        std::vector<bool> watchdog_stopped;
        if (c.page) {
            rig.ui.Script(*c.page, [&rig, &watchdog_stopped] {
                const auto calls = rig.ui.ProgressCalls();
                watchdog_stopped.push_back(!calls.empty() &&
                                           calls.back().kind == Call::StopWatchdog);
                return 1;
            });
        }
        rig.line->responder = [answer = c.answer](const std::string& written) {
            return written.find("readdata") == std::string::npos ? std::string() : answer;
        };
        rig.Connect();
        rig.ui.SetWatchdog(90000);

        c.worker(rig.link);

        EXPECT_EQ(rig.ui.Opened(), c.page ? std::vector{*c.page} : std::vector<Page>{});
        EXPECT_EQ(watchdog_stopped, std::vector<bool>(c.page ? 1 : 0, true));
        for (Flag flag : {kModel, kLanguage, kRomType}) {
            EXPECT_EQ(rig.state.*flag, flag == c.mismatch ? 1 : 0);
        }
        EXPECT_TRUE(std::ranges::none_of(rig.line->Written(),
                                         [](const auto& w) { return w.starts_with("lnb "); }));
        EXPECT_EQ(rig.ui.CloseRequested(), c.page.has_value());
        // The resume variant collapses its page before it refuses the image.
        const bool collapses = c.worker == ResumeUpdateWorker && c.mismatch != nullptr;
        EXPECT_EQ(std::ranges::count(rig.ui.ProgressCalls(), Call{Call::Shrink, false}),
                  collapses ? 1 : 0);
        // Where the worker leaves the program running, the page still ends: by its watchdog.
        if (!c.page) {
            EXPECT_EQ(rig.ui.WaitProgressEnd(5s), 2);
        }
    }
}

}  // namespace
}  // namespace orvo::testing
