// The two downloads of an update against a boot loader played in memory: the blocks with the
// padding of the last one, progress, and every failure ending the page with 2 without counting
// as completed. (Updates, the length key FFFFFFFF and an offset not below the size over real
// ports: integration/link/romflash_sim_test.)

#include "bootlink/download.h"
#include "fake_boot_loader.h"
#include "image_test_files.h"
#include "link_test_rig.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

namespace orvo::test {
namespace {

using ::testing::ElementsAre;
using namespace std::chrono_literals;

constexpr std::uint32_t kBlock = 0x20000;

struct UpdateRig : LinkRig {
    explicit UpdateRig(std::size_t payload_size) : payload(testing::Payload(payload_size)) {
        state.ImagePath = files.Write("update.nbf", testing::MakeImage({.payload = payload}));
        behaviour = ports.Add("p");
        behaviour->responder = std::ref(boot_loader);
        Connect(behaviour);
    }
    ~UpdateRig() {
        link.ShutDown();
        state.ImageFileHandle.Close();
    }

    // Runs FlashSequence and waits for the page to end; the page's end code.
    std::optional<int> Run() {
        FlashSequence(link);
        const std::optional<int> end = ui.WaitProgressEnd(60s);
        JoinThreads();
        return end;
    }
    // Ends the reader, then the download thread it started, so that a test looks at what they
    // did only once they are done.
    void JoinThreads() {
        link.Stop();
        link.JoinReader();
        if (link.Download.thread.joinable()) link.Download.thread.join();
    }
    // `count` payload bytes from `from` on, then 0xFF up to the end of the last block.
    std::vector<std::uint8_t> Blocks(std::size_t from, std::size_t count) const {
        std::vector<std::uint8_t> bytes(
            payload.begin() + static_cast<std::ptrdiff_t>(from),
            payload.begin() + static_cast<std::ptrdiff_t>(from + count));
        bytes.resize((count + kBlock - 1) / kBlock * kBlock, 0xFF);
        return bytes;
    }

    testing::TempDir files;
    std::vector<std::uint8_t> payload;
    FakeBootLoader boot_loader;
    std::shared_ptr<FakeSerialPort::Behaviour> behaviour;
};

// Full blocks only, a short last block after a full one (the buffer then holds the block
// before), an image smaller than one block: the bytes after the image are 0xFF; the first
// download's percentages truncate; the second download counts as 100.
TEST(Download, BothDownloadsWithErasedPaddingAndProgress) {
    struct Case {
        std::size_t tail;
        std::vector<int> percents;
    };
    for (const Case& c : {Case{3 * kBlock, {0, 0, 33, 66, 100}},
                          Case{kBlock + 0x1234, {0, 0, 96, 100}}, Case{0x100, {0, 0, 100}}}) {
        UpdateRig rig(0x80000 + c.tail);
        EXPECT_EQ(rig.Run(), 1) << c.tail;
        const auto downloads = rig.boot_loader.Downloads();
        ASSERT_EQ(downloads.size(), 2u) << c.tail;
        EXPECT_EQ(downloads[0].data, rig.Blocks(0x80000, c.tail)) << c.tail;
        EXPECT_TRUE(downloads[0].ended) << c.tail;
        EXPECT_EQ(downloads[1].data, rig.Blocks(0x40000, 0x40000)) << c.tail;
        EXPECT_TRUE(downloads[1].ended) << c.tail;
        EXPECT_EQ(rig.state.DownloadStatus, 3) << c.tail;
        EXPECT_EQ(rig.link.CompletedDownloads, 2) << c.tail;
        EXPECT_EQ(rig.settings_cleared, 1) << c.tail;
        std::vector<int> percents;
        for (const auto& call : rig.ui.ProgressCalls()) {
            if (call.kind == FakeUi::ProgressCall::Percent) percents.push_back(call.value);
        }
        EXPECT_EQ(percents, c.percents) << c.tail;
    }
}

// Every failure ends the page with 2 well before the 200-second record wait, is not counted,
// keeps the settings record, and a failed first download never sends the second load command.
// A load command that cannot be sent also shows the Update error page and ends the wizard.
TEST(Download, FailuresNeverCountAsCompleted) {
    struct Case {
        const char* what;
        std::size_t payload;
        int fail_write_at;
        bool record_requests;
        int status;
        int completed;
        bool update_error;
        const char* log;
    };
    const Case cases[] = {
        {"first load command", 0x80000 + kBlock, 0, true, 0, 0, true,
         "\r\n Line 202:Write file Error! \r\n"},
        {"write in the first block", 0x80000 + 2 * kBlock, 60, true, 1, 0, false,
         "\n line 522 : Send string Error!\n"},
        {"write in the last block", 0x80000 + 0x800, 60, true, 1, 0, false,
         "\nLine 581: Send String fial!\n"},
        {"no record request", 0x80000 + kBlock, -1, false, 1, 0, false,
         "\n Line 496: Request record 60 seconds time out\n"},
        {"second load command", 0x80000 + 0x800, 133, true, 2, 1, true,
         "\r\n Line 202:Write file Error! \r\n"},
        {"write in the second download", 0x80000 + 0x800, 140, true, 3, 1, false,
         "\n line 522 : Send string Error!\n"},
    };
    for (const Case& c : cases) {
        UpdateRig rig(c.payload);
        rig.behaviour->fail_write_at = c.fail_write_at;
        if (!c.record_requests) {
            rig.behaviour->responder = [&rig](const std::string& written) {
                std::string answer = rig.boot_loader(written);
                std::erase(answer, '\x02');
                return answer;
            };
        }
        rig.ui.Script(Page::UpdateError, 0);
        const auto start = rig.clock.Now();
        EXPECT_EQ(rig.Run(), 2) << c.what;
        EXPECT_LT(rig.clock.Now() - start, Millis(150000)) << c.what;
        EXPECT_TRUE(rig.log.Has(c.log)) << c.what;
        EXPECT_EQ(rig.state.DownloadStatus, c.status) << c.what;
        EXPECT_EQ(rig.link.CompletedDownloads, c.completed) << c.what;
        const auto commands = rig.boot_loader.Commands();
        EXPECT_EQ(std::count(commands.begin(), commands.end(),
                             "lnb c:\\test.nbf A0000000 80000 00040000"),
                  c.status == 3)
            << c.what;
        EXPECT_EQ(rig.settings_cleared, 0) << c.what;
        EXPECT_EQ(rig.ui.Opened(),
                  c.update_error ? std::vector{Page::UpdateError} : std::vector<Page>{})
            << c.what;
        EXPECT_EQ(rig.ui.CloseRequested(), c.update_error) << c.what;
    }
}

// A boot loader that names no file at the first download: the image cannot be opened, the
// Image-open error page ends the wizard, the link stops and the sequence returns.
TEST(Download, NoFileKeyEndsWithTheImageOpenPage) {
    UpdateRig rig(0x80000 + kBlock);
    rig.boot_loader.names_file = false;
    rig.ui.Script(Page::ImageOpenError, 0);
    FlashSequence(rig.link);
    rig.JoinThreads();
    EXPECT_THAT(rig.ui.Opened(), ElementsAre(Page::ImageOpenError));
    EXPECT_TRUE(rig.ui.CloseRequested());
    EXPECT_FALSE(rig.link.hPort.IsOpen());
    EXPECT_EQ(rig.link.CompletedDownloads, 0);
    EXPECT_TRUE(rig.boot_loader.Downloads().at(0).data.empty());
}

}  // namespace
}  // namespace orvo::test
