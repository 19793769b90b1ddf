#include "backup/backup_thread.h"
#include "image/backup_image_writer.h"
#include "image/image_operations.h"
#include "unit/device_test_support.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <optional>
#include <filesystem>

namespace orvo {
namespace {

using Call = FakeUi::ProgressCall;
using testing::DeviceRig;

constexpr std::size_t kBackupFileBytes = 32 + kBackupImageBytes;

// Lets writes to any file fail once it reaches `bytes`, as a full disk does.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &before_);
        rlimit limit = before_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &before_); }

  private:
    rlimit before_{};
};

struct BackupRig {
    BackupRig() {
        state.StartDir = rig.start_dir.Folder();
        state.BackupPath = rig.start_dir.Path("backup.nbf");
        state.Device = testing::Identity();
        rig.start_dir.Write("BACKUP.EXE", {0x4D, 0x5A});
    }
    void Run() { BackupThread(state, rig.services); }
    std::vector<Call> PageCalls() const {
        std::vector<Call> calls;
        for (const Call& call : rig.ui.ProgressCalls()) {
            if (call.kind >= Call::BackupPercent) calls.push_back(call);
        }
        return calls;
    }

    DeviceRig rig;
    WizardState state;
};

TEST(BackupThread, AWholeBackupHoldsTheRomInOrderUnderAHeaderThatPassesTheChecks) {
    BackupRig b;
    b.Run();
    const std::vector<std::uint8_t> file = b.rig.start_dir.Read("backup.nbf");
    ASSERT_EQ(file.size(), kBackupFileBytes);
    for (std::size_t at :
         {std::size_t{0}, kBackupChunkBytes - 1, std::size_t{kBackupImageBytes} - 1}) {
        EXPECT_EQ(file[32 + at],
                  b.rig.remote.chunk_byte(at / kBackupChunkBytes, at % kBackupChunkBytes));
    }
    b.state.ImagePath = b.state.BackupPath;
    ASSERT_EQ(ReadImageHeader(b.state.ImagePath, b.state, b.rig.ui), 1);
    EXPECT_EQ(VerifyImageChecksum(b.state, b.rig.ui), 1);

    EXPECT_EQ(b.rig.remote.Started(), std::vector<std::u16string>{u"\\Temp\\backup.exe"});
    EXPECT_EQ(b.rig.remote.File(u"\\Temp\\image.nb"), std::nullopt);
    EXPECT_EQ(b.rig.remote.OpenHandles(), 0);
    const std::vector<Call> page = b.PageCalls();
    ASSERT_EQ(page.size(), 1u + 124u + 1u);
    EXPECT_EQ(page[0], (Call{Call::BackupPercent, 0}));
    EXPECT_EQ(page[1], (Call{Call::BackupPercent, 0})) << "after the first chunk";
    EXPECT_EQ(page[2], (Call{Call::BackupPercent, 1}));
    EXPECT_EQ(page[124], (Call{Call::BackupPercent, 100}));
    EXPECT_EQ(page.back(), (Call{Call::BackupEnd, 1}));
    EXPECT_EQ(b.rig.clock.Paused(), 5000 + 124 * 100);
    EXPECT_TRUE(b.rig.ui.Opened().empty());
}

TEST(BackupThread, AFailedBackupShowsItsPageAndLeavesAnEarlierBackupAsItWas) {
    struct Case {
        const char* name;
        std::function<void(BackupRig&)> fault;
        Page page;
        Call last;
        bool program_ends;
        rlim_t file_size_limit = 0;  // a disk that fills up at that size
    };
    const Case cases[] = {
        {"no device program",
         [](BackupRig& b) { std::filesystem::remove(b.rig.start_dir.Path("BACKUP.EXE")); },
         Page::RemoteProgramError, {Call::BackupShrink}, true},
        {"backup folder missing",
         [](BackupRig& b) { b.state.BackupPath = b.rig.start_dir.Path("gone/backup.nbf"); },
         Page::ImageOpenError, {Call::BackupEnd, 2}, false},
        {"device program stops after three chunks",
         [](BackupRig& b) { b.rig.remote.chunks_to_deliver = 3; }, Page::BackupError,
         {Call::BackupShrink}, true},
        {"a short chunk",
         [](BackupRig& b) {
             b.rig.remote.chunk_size = [](std::size_t n) {
                 return n == 1 ? kBackupChunkBytes - 1 : kBackupChunkBytes;
             };
         },
         Page::BackupError, {Call::BackupEnd, 2}, false},
        {"the disk fills up on the last write", [](BackupRig&) {}, Page::BackupError,
         {Call::BackupEnd, 2}, false, kBackupFileBytes - 1000},
    };
    const std::vector<std::uint8_t> earlier = testing::Payload(5000, 9);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BackupRig b;
        b.rig.start_dir.Write("backup.nbf", earlier);
        c.fault(b);
        {
            std::optional<FileSizeLimit> full_disk;
            if (c.file_size_limit) full_disk.emplace(c.file_size_limit);
            b.Run();
        }
        EXPECT_EQ(b.rig.ui.Opened(), std::vector<Page>{c.page});
        ASSERT_FALSE(b.PageCalls().empty());
        EXPECT_EQ(b.PageCalls().back(), c.last);
        EXPECT_EQ(b.rig.ui.CloseRequested(), c.program_ends);
        EXPECT_EQ(b.rig.start_dir.Read("backup.nbf"), earlier);
        EXPECT_FALSE(std::filesystem::exists(BackupImageWriter::TemporaryPath(b.state.BackupPath)));
    }
}

}  // namespace
}  // namespace orvo
