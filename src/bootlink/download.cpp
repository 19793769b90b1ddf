#include "bootlink/download.h"

#include "bootlink/link_commands.h"
#include "image/image_file.h"
#include "image/image_header.h"
#include "image/image_operations.h"

#include <algorithm>
#include <memory>
#include <new>
#include <optional>
#include <span>

namespace orvo {
namespace {

using namespace std::chrono_literals;

constexpr int kPortWaitWatchdogMs = 20000;
constexpr Millis kPortWaitBound = 20s;
constexpr Millis kHeaderWait = 60000ms;
constexpr Millis kRecordWait = 200000ms;
constexpr Millis kCompletionWait = 10000ms;
constexpr std::size_t kWritesPerBlock = BLOCK_LENGTH / TXQUEUE;

// Waits for `event` as long as `timeout`, but no longer than the link runs.
bool WaitWhileLinked(BootLink& link, Event& event, Millis timeout) {
    const Clock& clock = link.services.clock;
    const Millis until = clock.Now() + timeout;
    for (;;) {
        const Millis left = until - clock.Now();
        if (left <= 0ms || link.LinkStop == 1) return false;
        if (event.Wait(clock, std::min<Millis>(left, 100ms))) return true;
    }
}

// A download that did not end with its end record: the link stops and the page ends with 2,
// the settings record stays for a resume.
void FailDownload(BootLink& link) {
    link.Stop();
    link.services.ui.SetWatchdog(10);
}

// A load command that could not be sent: the Update error page ends the wizard.
void RefuseLoad(BootLink& link) {
    Ui& ui = link.services.ui;
    ui.ShrinkProgressPage(false);
    ui.OpenPage(Page::UpdateError);
    ui.RequestClose();
}

// Sends one block as 128 writes of 1024 bytes; the number of writes that went out.
std::size_t SendBlock(BootLink& link, std::span<const std::uint8_t> block, const char* failure) {
    for (std::size_t i = 0; i < kWritesPerBlock; ++i) {
        if (!SendString(link, block.subspan(i * TXQUEUE, TXQUEUE))) {
            link.Log(failure);
            return i;
        }
    }
    return kWritesPerBlock;
}

// Reads up to `count` image bytes into the front of `block` and fills the rest with 0xFF, as
// erased flash reads. The number of bytes read; no value when the read failed.
std::optional<std::size_t> FillBlock(ImageFile& file, std::span<std::uint8_t> block,
                                     std::size_t count) {
    const std::optional<std::size_t> read = file.Read(block.first(count));
    if (read) std::fill(block.begin() + static_cast<std::ptrdiff_t>(*read), block.end(), 0xFF);
    return read;
}

// The block loop of one download: true when every block went out and the end record was sent.
bool SendBlocks(BootLink& link, ImageFile& file, std::span<std::uint8_t> block, std::uint32_t start,
                std::uint32_t total) {
    WizardState& state = link.state;
    std::uint32_t address = start;
    std::int32_t remaining = static_cast<std::int32_t>(total);
    if (remaining < 0) return false;
    for (;;) {
        if (!WaitWhileLinked(link, link.Download.NotifyRecordEvent, kRecordWait)) {
            link.Log("\n Line 496: Request record 60 seconds time out\n");
            return false;
        }
        if (remaining >= static_cast<std::int32_t>(BLOCK_LENGTH)) {
            if (FillBlock(file, block, BLOCK_LENGTH).value_or(0) == 0) {
                link.Log("\n  Line 542: Read file fial!\n");
                return false;
            }
            const bool header_sent = SendString(link, BlockHeaderRecord(address, BLOCK_LENGTH));
            address += BLOCK_LENGTH;
            remaining -= static_cast<std::int32_t>(BLOCK_LENGTH);
            if (!header_sent) return false;
            const std::size_t writes = SendBlock(link, block, "\n line 522 : Send string Error!\n");
            if (writes < kWritesPerBlock) link.services.ui.SetWatchdog(10);
            if (state.DownloadStatus == 1) {
                const int percent = DownloadPercent(remaining, total);
                if (percent != 100) SetDownloadProgress(link, percent);
            }
            if (writes < kWritesPerBlock) {
                link.Log("\nLine 537: i < BLOCK_LENGTH/TXQUEUE\n");
                return false;
            }
        } else if (remaining > 0) {
            const std::optional<std::size_t> read =
                FillBlock(file, block, static_cast<std::size_t>(remaining));
            if (!read || *read == 0) {
                link.Log(read ? "\n Line 601: Read file fial!\n" : "\nLine 612: Read file fial!\n");
                return false;
            }
            const bool header_sent = SendString(link, BlockHeaderRecord(address, BLOCK_LENGTH));
            remaining = 0;
            if (!header_sent) {
                link.Log("\nLine 575: Send String fial!\n");
                return false;
            }
            if (SendBlock(link, block, "\nLine 581: Send String fial!\n") < kWritesPerBlock) {
                return false;
            }
        } else {
            const bool end_sent = SendString(link, BlockHeaderRecord(0, 0)) == 1;
            link.services.ui.StopWatchdog();
            if (!WaitWhileLinked(link, link.SendStringCompleteEvent, kCompletionWait)) {
                link.Log("\n Port: wait hSendStringCompleteEvent 120 second timeout!\n");
            }
            link.Log("\nLine 559: Flash Complete!\n");
            link.services.clock.Sleep(2000ms);
            return end_sent;
        }
    }
}

// What the download thread does before the blocks; false ends it.
bool Synchronise(BootLink& link) {
    DownloadContext& context = link.Download;
    if (!SendString(link, "B000FF\n")) {
        context.Message.Store("\nSync Header Send Error\n");
        link.Log(context.Message.Load());
        return false;
    }
    if (!WaitWhileLinked(link, context.NotifyHeaderEvent, kHeaderWait)) {
        context.Message.Store("\nSync Header time out\n");
        link.Log(context.Message.Load());
        return false;
    }
    return true;
}

}  // namespace

int DownloadPercent(std::int32_t remaining, std::uint32_t total) {
    return static_cast<int>((1.0 - static_cast<double>(remaining) / total) * 100);
}

void FlashSequence(BootLink& link) {
    WizardState& state = link.state;
    Ui& ui = link.services.ui;
    const Clock& clock = link.services.clock;

    clock.Sleep(2000ms);
    ui.SetWatchdog(kPortWaitWatchdogMs);
    const Millis until = clock.Now() + kPortWaitBound;
    while (!link.hPort.IsOpen()) {
        if (link.LinkStop == 1) return;
        if (clock.Now() >= until) {
            link.Stop();
            return;
        }
        clock.Sleep(1ms);
    }
    ui.StopWatchdog();

    DownloadOpenHooks hooks;
    hooks.before_error_page = [&link] { link.hPort.Close(); };
    hooks.debug_output = [&link](std::string_view text) { link.Log(text); };
    const std::optional<std::uint64_t> length = OpenImageForDownload(state, ui, hooks);
    if (!length) {
        // Unless an error page has ended the wizard, the page ends now rather than by its
        // watchdog much later.
        if (!ui.CloseRequested()) FailDownload(link);
        return;
    }
    if (!SendString(link, LoadCommand(kLoadFileName, "A0000000", Hex(*length), "00080000"))) {
        RefuseLoad(link);
        return;
    }
    state.DownloadStatus = 1;
    for (;;) {
        clock.Sleep(10ms);
        if (state.DownloadStatus == 2) {
            if (!SendString(link, LoadCommand(kLoadFileName, "A0000000", "80000", "00040000"))) {
                RefuseLoad(link);
                return;
            }
            state.DownloadStatus = 3;
        }
        // An error page that ended the wizard (an image that cannot be opened) ends it too.
        if (link.LinkStop == 1 || state.DownloadStatus == 3 || ui.CloseRequested()) return;
    }
}

void DownloadThread(BootLink& link) {
    DownloadContext& context = link.Download;
    WizardState& state = link.state;
    Ui& ui = link.services.ui;
    const std::uint32_t address = HexPrefixValue(context.AddressText.Load());
    const std::uint32_t offset = HexPrefixValue(context.OffsetText.Load());
    const std::uint32_t length = HexPrefixValue(context.LengthText.Load());

    ImageFile file;
    const std::optional<std::uint64_t> file_size =
        file.Open(context.FileName.Load()) == ImageFile::OpenResult::Opened ? file.Size()
                                                                            : std::nullopt;
    if (!file_size) {
        context.DownloadActive = 0;
        link.Stop();
        link.hPort.Close();
        ui.OpenPage(Page::ImageOpenError);
        ui.RequestClose();
        return;
    }
    const std::uint32_t size =
        length == 0xFFFFFFFFu ? static_cast<std::uint32_t>(*file_size) : length;
    if (!Synchronise(link)) {
        context.DownloadActive = 0;
        FailDownload(link);
        return;
    }
    if (!(size > offset)) {
        link.Log("\r\n FileSize <= ImgBypassOffset!\r\n");
        context.Message.Store("\nImgSize <= ImgBypassOffset\n");
        link.Log(context.Message.Load());
        context.DownloadActive = 0;
        FailDownload(link);
        return;
    }
    const std::uint32_t total = size - offset;
    file.Seek(kImageHeaderSize + std::uint64_t{offset});
    if (!SendString(link, FileHeaderRecord(address + offset, total))) {
        link.Log("\r\n File Header Send Error\r\n");
    }
    const std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow) std::uint8_t[BLOCK_LENGTH]);
    if (!buffer) {
        link.Log("\r\n can't allocation memory\r\n");
        context.DownloadActive = 0;
        FailDownload(link);
        return;
    }
    if (state.DownloadStatus == 1) {
        SetDownloadProgress(link, 0);
    } else {
        ui.SetProgressPosition(100);
        ui.SetProgressPercent(100);
    }
    const bool completed =
        SendBlocks(link, file, std::span(buffer.get(), BLOCK_LENGTH), address + offset, total);

    link.services.clock.Sleep(2000ms);
    file.Close();
    context.DownloadActive = 0;
    if (!completed) {
        FailDownload(link);
        return;
    }
    ++link.CompletedDownloads;
    if (state.DownloadStatus == 1) {
        state.DownloadStatus = 2;
    } else if (state.DownloadStatus == 3) {
        SetDownloadProgress(link, 100);
    }
}

void SetDownloadProgress(BootLink& link, int percent) {
    Ui& ui = link.services.ui;
    ui.SetWatchdog(90000);
    if (percent == 0) {
        ui.SetProgressRange(0, 100);
        ui.SetProgressPosition(0);
        ui.SetProgressPercent(0);
    }
    ui.RefreshProgressCursor();
    if (percent == 100) {
        if (link.services.clear_settings) link.services.clear_settings();
        ui.ShrinkProgressPage(true);
        ui.EndProgressPage(1);
        return;
    }
    ui.SetProgressPosition(percent);
    ui.SetProgressPercent(static_cast<unsigned>(percent));
}

}  // namespace orvo
