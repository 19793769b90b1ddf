// The Update progress page over a boot loader played in memory. Its workers: what each checks
// before it writes, which error page ends the program, and that an image refused is never
// commanded. Both downloads: every byte on the wire, the verdict, and the failures that must never
// count as a completed update.

#include "bootlink/download.h"
#include "bootlink/update_worker.h"
#include "unit/test_support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace orvo::testing {
namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t kBlock = 0x20000;

// The first `answered` load commands are answered with key lines of the command's own values,
// the first command's key `change` put in ("L=80100"; "F=": no such line), and the start of the
// download; the boot loader asks for the header, then for a block after the file header and
// after each block's last write.
FakeSerialPort::Responder BootLoader(std::string change, int answered) {
    return [change, answered, loads = 0,
            writes = 0](const std::string& written) mutable -> std::string {
        char value[4][32];
        if (std::sscanf(written.c_str(), "lnb %31s %31s %31s %31s", value[0], value[1], value[2],
                        value[3]) == 4) {
            if (loads++ >= answered) return {};
            std::string answer;
            for (int i = 0; i < 4; ++i) {
                const std::string key = std::string(":") + "FALO"[i] + "=";
                const bool changed = loads == 1 && !change.empty() && change[0] == key[1];
                if (!changed) answer += key + value[i] + "\r\n";
                if (changed && change.size() > 2) answer += key + change.substr(2) + "\r\n";
            }
            return answer + "start NB image download\r\n";
        }
        if (written == "B000FF\n") return "\x01";
        const bool block_end = written.size() == 0x400 && ++writes % 128 == 0;
        return written.size() == 8 || block_end ? "\x02" : "";
    };
}

// 32-bit values, least significant byte first.
std::string Le32(std::initializer_list<std::uint32_t> values) {
    std::string bytes;
    for (std::uint32_t value : values)
        for (int i = 0; i < 4; ++i) bytes += static_cast<char>(value >> (8 * i));
    return bytes;
}

// The writes of one download of `count` image bytes from `offset` on: full-length block headers,
// 128 writes of 1024 bytes a block, 0xFF after the image's last byte, the end record.
void AddDownload(std::vector<std::string>& wire, const std::vector<std::uint8_t>& payload,
                 std::uint32_t offset, std::uint32_t count, const std::string& command) {
    wire.insert(wire.end(), {command, "B000FF\n", Le32({0xA0000000 + offset, count})});
    for (std::uint32_t done = 0; done < count; done += kBlock) {
        wire.push_back(Le32({0xA0000000 + offset + done, kBlock, 0}));
        std::string block(kBlock, '\xFF');
        std::copy_n(payload.begin() + offset + done, std::min(count - done, kBlock), block.begin());
        for (std::uint32_t at = 0; at < kBlock; at += 0x400)
            wire.push_back(block.substr(at, 0x400));
    }
    wire.push_back(Le32({0, 0, 0}));
}

TEST(Download, WireVerdictAndFailures) {
    struct Case {
        const char* name;
        std::uint32_t tail;                   // image bytes after the first 0x80000
        const char* change;                   // of the first download's keys
        int completed;                        // downloads counted; 2 is the whole update
        int status;                           // DownloadStatus at the end
        const char *failure, *percents = "";  // percents shown, for a whole update
        int answered = 2;                     // load commands answered
        int fail_write_at = -1;
        bool drain_fails = false;
    };
    const Case cases[] = {
        {"full blocks", 3 * kBlock, "", 2, 3, "", "0 0 33 66 100 "},
        {"short last block", kBlock + 0x1234, "", 2, 3, "", "0 0 96 100 "},
        {"one short block", 0x100, "", 2, 3, "", "0 0 100 "},
        {"length key one block short", kBlock + 0x100, "L=80100", 0, 1,
         "keys moved the download: 256 bytes went to 0xA0080000"},
        {"length key all ones: the whole file", 0x100, "L=FFFFFFFF", 0, 1,
         "keys moved the download: 288 bytes"},
        {"offset key unaligned", kBlock, "O=80001", 0, 1, "went to 0xA0080001"},
        {"address key zero", kBlock, "A=0", 0, 1, "went to 0x00080000"},
        {"length key zero", kBlock, "L=0", 0, 1, "length 0x00000000 is not above offset"},
        {"length key beyond the image", kBlock, "L=7FFFFFFF", 0, 1,
         "length key 0x7FFFFFFF reaches beyond"},
        {"no file key", kBlock, "F=", 0, 1, "no :F= key"},
        {"quiet after the first download", 0x100, "", 1, 3,
         "did not start the download within 20 s", "", 1},
        {"end record never leaves", 0x100, "", 0, 1, "before the end record had left the PC", "", 2,
         -1, true},
        {"first load command unsent", kBlock, "", 0, 0, "a write to the port failed", "", 2, 0},
        {"write in the last block", kBlock + 0x100, "", 0, 1, "a write to the port failed", "", 2,
         140},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LinkRig rig;
        const std::vector<std::uint8_t> payload = Payload(0x80000 + c.tail);
        rig.state.ImagePath = rig.files.Write("update.nbf", MakeImage({.payload = payload}));
        rig.ui.Script(Page::UpdateError, 0);
        rig.line->responder = BootLoader(c.change, c.answered);
        rig.line->fail_write_at = c.fail_write_at;
        rig.line->drain_fails = c.drain_fails;
        rig.Connect();

        FlashSequence(rig.link);
        EXPECT_EQ(rig.ui.WaitProgressEnd(60s), c.completed == 2 ? 1 : 2);
        rig.link.End();

        EXPECT_EQ(rig.link.CompletedDownloads, c.completed);
        EXPECT_EQ(rig.settings_cleared, c.completed == 2 ? 1 : 0);
        EXPECT_THAT(rig.link.FailureCause(), ::testing::HasSubstr(c.failure));
        // A load command that cannot be sent ends the wizard with the Update error page.
        EXPECT_EQ(rig.ui.Opened().size(), c.fail_write_at == 0 ? 1u : 0u);
        // A failed first download never asks for the second.
        EXPECT_EQ(rig.state.DownloadStatus, c.status);
        if (c.completed != 2) continue;
        char length[16];
        std::snprintf(length, sizeof length, "%x", 0x80000 + c.tail);
        std::vector<std::string> wire;
        AddDownload(wire, payload, 0x80000, c.tail,
                    "lnb c:\\test.nbf A0000000 " + std::string(length) + " 00080000\r");
        AddDownload(wire, payload, 0x40000, 0x40000, "lnb c:\\test.nbf A0000000 80000 00040000\r");
        const std::vector<std::string> written = rig.line->Written();
        ASSERT_EQ(written.size(), wire.size());
        EXPECT_EQ(std::ranges::mismatch(written, wire).in1 - written.begin(), std::ssize(written));
        std::string percents;
        for (const FakeUi::ProgressCall& call : rig.ui.ProgressCalls())
            if (call.kind == call.Percent) percents += std::to_string(call.value) + " ";
        EXPECT_EQ(percents, c.percents);
    }
}

// A payload the load command cannot address is refused before anything is sent.
TEST(Download, ImageBeyondTheLoadCommandIsNeverCommanded) {
    LinkRig rig;
    rig.state.ImagePath = rig.files.Write("huge.nbf", MakeImage({.payload = Payload(0x100)}));
    std::filesystem::resize_file(rig.state.ImagePath, 0x60000000 + 32);
    rig.ui.Script(Page::ImageTooLarge, 0);
    rig.Connect();
    FlashSequence(rig.link);
    EXPECT_THAT(rig.ui.Opened(), ::testing::ElementsAre(Page::ImageTooLarge));
    EXPECT_TRUE(rig.ui.CloseRequested());
    EXPECT_TRUE(rig.line->Written().empty());
    EXPECT_EQ(rig.state.DownloadStatus, kNoUpdateStarted);
}

TEST(UpdateWorkers, CheckBeforeTheyWriteAndEndTheProgramOnlyAfterTheirOwnPage) {
    using Flag = std::atomic<int> WizardState::*;
    using Call = FakeUi::ProgressCall;
    const Flag kModel = &WizardState::ImageModelMismatch;
    const Flag kLanguage = &WizardState::ImageLanguageMismatch;
    const Flag kRomType = &WizardState::RomVersionMismatch;
    const std::optional<Page> kNoPage, kIncompatible = Page::IncompatibleImage;
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
        for (Flag flag : {kModel, kLanguage, kRomType})
            EXPECT_EQ(rig.state.*flag, flag == c.mismatch ? 1 : 0);
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
