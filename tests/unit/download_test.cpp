// The two downloads of an update against a boot loader played in memory: the blocks byte for
// byte, the padding of the last block, the keys, progress, and every failure ending the page
// with 2 without counting as completed.

#include "bootlink/download.h"
#include "fake_boot_loader.h"
#include "image_test_files.h"
#include "link_test_rig.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace orvo::test {
namespace {

using ::testing::ElementsAre;
using namespace std::chrono_literals;

constexpr std::uint32_t kBlock = 0x20000;

std::vector<std::uint8_t> Slice(const std::vector<std::uint8_t>& bytes, std::size_t from,
                                std::size_t count) {
    return {bytes.begin() + static_cast<std::ptrdiff_t>(from),
            bytes.begin() + static_cast<std::ptrdiff_t>(from + count)};
}

// What a block stream holds: `data`, then 0xFF up to the end of its last block.
std::vector<std::uint8_t> Padded(std::vector<std::uint8_t> data) {
    data.resize((data.size() + kBlock - 1) / kBlock * kBlock, 0xFF);
    return data;
}

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
    std::vector<int> Percents() const {
        std::vector<int> percents;
        for (const auto& call : ui.ProgressCalls()) {
            if (call.kind == FakeUi::ProgressCall::Percent) percents.push_back(call.value);
        }
        return percents;
    }
    bool SecondLoadSent() const {
        for (const std::string& c : boot_loader.Commands()) {
            if (c == "lnb c:\\test.nbf A0000000 80000 00040000") return true;
        }
        return false;
    }

    testing::TempDir files;
    std::vector<std::uint8_t> payload;
    FakeBootLoader boot_loader;
    std::shared_ptr<FakeSerialPort::Behaviour> behaviour;
};

TEST(Download, FullBlocksOnlyInTwoDownloads) {
    UpdateRig rig(0x80000 + 4 * kBlock);
    EXPECT_EQ(rig.Run(), 1);
    EXPECT_EQ(rig.boot_loader.Commands().front(), "lnb c:\\test.nbf A0000000 100000 00080000");
    const auto downloads = rig.boot_loader.Downloads();
    ASSERT_EQ(downloads.size(), 2u);
    EXPECT_EQ(downloads[0].start, 0xA0080000u);
    EXPECT_EQ(downloads[0].count, 4 * kBlock);
    EXPECT_THAT(downloads[0].block_addresses,
                ElementsAre(0xA0080000u, 0xA00A0000u, 0xA00C0000u, 0xA00E0000u));
    EXPECT_EQ(downloads[0].data, Slice(rig.payload, 0x80000, 4 * kBlock));
    EXPECT_TRUE(downloads[0].ended);
    EXPECT_EQ(downloads[1].start, 0xA0040000u);
    EXPECT_EQ(downloads[1].count, 0x40000u);
    EXPECT_EQ(downloads[1].data, Slice(rig.payload, 0x40000, 0x40000));
    EXPECT_TRUE(downloads[1].ended);
    EXPECT_EQ(rig.state.DownloadStatus, 3);
    EXPECT_EQ(rig.link.CompletedDownloads, 2);
    EXPECT_EQ(rig.settings_cleared, 1);
    // 0 to 99 in the first download, 100 from the start of the second.
    EXPECT_THAT(rig.Percents(), ElementsAre(0, 0, 25, 50, 75, 100));
    EXPECT_EQ(rig.ui.ProgressCalls().back(), (FakeUi::ProgressCall{FakeUi::ProgressCall::End, 1}));
    EXPECT_TRUE(rig.log.Has("\nLine 559: Flash Complete!\n"));
}

// The bytes after the image in a last block are 0xFF, never stale memory, also when the whole
// download is shorter than one block.
TEST(Download, ShortLastBlockIsPaddedWithErasedBytes) {
    for (std::size_t tail : {std::size_t{kBlock + 0x1234}, std::size_t{0x100}}) {
        UpdateRig rig(0x80000 + tail);
        EXPECT_EQ(rig.Run(), 1);
        const auto downloads = rig.boot_loader.Downloads();
        ASSERT_EQ(downloads.size(), 2u);
        EXPECT_EQ(downloads[0].count, tail);
        EXPECT_EQ(downloads[0].data, Padded(Slice(rig.payload, 0x80000, tail)));
        EXPECT_EQ(downloads[0].block_addresses.size(), (tail + kBlock - 1) / kBlock);
        EXPECT_EQ(rig.link.CompletedDownloads, 2);
    }
}

// Length key FFFFFFFF: the size is the whole file's, header included, so the last 32 bytes the
// boot loader is promised lie beyond the file and go out as 0xFF.
TEST(Download, LengthKeyAllOnesTakesTheFileSize) {
    UpdateRig rig(0x80000 + 0x3000);
    rig.boot_loader.key_override['L'] = "FFFFFFFF";
    EXPECT_EQ(rig.Run(), 1);
    const auto downloads = rig.boot_loader.Downloads();
    ASSERT_EQ(downloads.size(), 2u);
    EXPECT_EQ(downloads[0].count, 0x3000u + 32u);
    EXPECT_EQ(downloads[0].data, Padded(Slice(rig.payload, 0x80000, 0x3000)));
    EXPECT_EQ(downloads[1].count, 0x40000u + 0x3000u + 32u);
}

// Every failed download ends the page with 2, is not counted, keeps the settings record, and a
// failed first download never starts the second.
TEST(Download, FailuresNeverCountAsCompleted) {
    struct Case {
        const char* what;
        std::size_t payload;
        int fail_write_at;
        const char* offset_key;
        const char* log;
        int status;
    };
    const Case cases[] = {
        {"write in the first block", 0x80000 + 2 * kBlock, 60, nullptr,
         "\n line 522 : Send string Error!\n", 1},
        {"write in the last block", 0x80000 + 0x800, 60, nullptr, "\nLine 581: Send String fial!\n",
         1},
        {"write in the second download", 0x80000 + 0x800, 140, nullptr,
         "\n line 522 : Send string Error!\n", 3},
        {"offset not below the size", 0x1000, -1, nullptr, "\r\n FileSize <= ImgBypassOffset!\r\n",
         1},
        {"offset equal to the size", 0x80000 + kBlock, -1, "A0000",
         "\nImgSize <= ImgBypassOffset\n", 1},
    };
    for (const Case& c : cases) {
        UpdateRig rig(c.payload);
        rig.behaviour->fail_write_at = c.fail_write_at;
        if (c.offset_key) rig.boot_loader.key_override['O'] = c.offset_key;
        EXPECT_EQ(rig.Run(), 2) << c.what;
        EXPECT_TRUE(rig.log.Has(c.log)) << c.what;
        EXPECT_EQ(rig.state.DownloadStatus, c.status) << c.what;
        EXPECT_EQ(rig.SecondLoadSent(), c.status == 3) << c.what;
        EXPECT_LT(rig.link.CompletedDownloads, 2) << c.what;
        EXPECT_EQ(rig.settings_cleared, 0) << c.what;
        EXPECT_EQ(rig.link.LinkStop, 1) << c.what;
    }
}

// A boot loader that asks for the header but never for a record: the page's watchdog ends it
// long before the 200-second record wait, and the download is not counted.
TEST(Download, NoRecordRequestEndsThroughTheWatchdog) {
    UpdateRig rig(0x80000 + kBlock);
    rig.behaviour->responder = [&rig](const std::string& written) {
        std::string answer = rig.boot_loader(written);
        std::erase(answer, '\x02');
        return answer;
    };
    const auto start = rig.clock.Now();
    EXPECT_EQ(rig.Run(), 2);
    EXPECT_LT(rig.clock.Now() - start, Millis(150000));
    EXPECT_EQ(rig.state.DownloadStatus, 1);
    EXPECT_EQ(rig.link.CompletedDownloads, 0);
    EXPECT_TRUE(rig.log.Has("\n Line 496: Request record 60 seconds time out\n"));
}

TEST(Download, FirstLoadCommandThatCannotBeSent) {
    UpdateRig rig(0x80000 + kBlock);
    rig.behaviour->fail_write_at = 0;
    rig.ui.Script(Page::UpdateError, 0);
    FlashSequence(rig.link);
    EXPECT_EQ(rig.state.DownloadStatus, 0);
    EXPECT_THAT(rig.ui.Opened(), ElementsAre(Page::UpdateError));
    EXPECT_TRUE(rig.ui.CloseRequested());
    EXPECT_THAT(rig.ui.ProgressCalls(),
                ::testing::Contains(FakeUi::ProgressCall{FakeUi::ProgressCall::Shrink, 0}));
}

// The second load command cannot be sent: the Update error page ends the wizard and the
// sequence does not claim the second download as requested.
TEST(Download, SecondLoadCommandThatCannotBeSent) {
    UpdateRig rig(0x80000 + 0x800);
    rig.behaviour->fail_write_at = 133;  // after the first download's 133 writes
    rig.ui.Script(Page::UpdateError, 0);
    FlashSequence(rig.link);
    EXPECT_EQ(rig.state.DownloadStatus, 2);
    EXPECT_EQ(rig.link.CompletedDownloads, 1);
    EXPECT_THAT(rig.ui.Opened(), ElementsAre(Page::UpdateError));
    EXPECT_TRUE(rig.ui.CloseRequested());
    EXPECT_EQ(rig.settings_cleared, 0);
}

// A boot loader that names no file at the first download: the image cannot be opened, the
// Image-open error page ends the wizard, the link stops and the sequence returns.
TEST(Download, NoFileKeyEndsWithTheImageOpenPage) {
    UpdateRig rig(0x80000 + kBlock);
    rig.boot_loader.key_override['F'] = "";
    rig.ui.Script(Page::ImageOpenError, 0);
    FlashSequence(rig.link);
    rig.JoinThreads();
    EXPECT_THAT(rig.ui.Opened(), ElementsAre(Page::ImageOpenError));
    EXPECT_TRUE(rig.ui.CloseRequested());
    EXPECT_EQ(rig.link.LinkStop, 1);
    EXPECT_FALSE(rig.link.hPort.IsOpen());
    EXPECT_EQ(rig.link.CompletedDownloads, 0);
    EXPECT_TRUE(rig.boot_loader.Downloads().at(0).block_addresses.empty());
}

TEST(Download, PercentOfTheFirstDownloadTruncates) {
    EXPECT_EQ(DownloadPercent(0x1000000 - 0x20000, 0x1000000), 0);
    EXPECT_EQ(DownloadPercent(0x20000 * 2, 0x20000 * 3), 33);
    EXPECT_EQ(DownloadPercent(0, 0xF80000), 100);
}

}  // namespace
}  // namespace orvo::test
