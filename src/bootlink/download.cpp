#include "bootlink/download.h"

#include "bootlink/link_commands.h"
#include "image/image_checks.h"
#include "image/image_file.h"
#include "image/image_header.h"
#include "image/image_operations.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <string>

namespace orvo {
namespace {

using namespace std::chrono_literals;

constexpr int kPortWaitWatchdogMs = 20000;
constexpr Millis kPortWaitBound = 20s;
constexpr Millis kHeaderWait = 60000ms;
constexpr Millis kRecordWait = 200000ms;
constexpr Millis kCompletionWait = 10000ms;
constexpr std::size_t kWritesPerBlock = BLOCK_LENGTH / TXQUEUE;
// The watchdog between the steps that the boot loader's answers move on: a load command until
// its download starts, the header request (a little longer than the thread's own wait, whose
// cause is the sharper one), each record request, and the pause between the two downloads.
constexpr int kLoadAnswerWatchdogMs = 20000;
constexpr int kHeaderWatchdogMs = 65000;
constexpr int kRecordWatchdogMs = 150000;
constexpr int kBetweenDownloadsWatchdogMs = 30000;
constexpr int kProgressWatchdogMs = 90000;
// How long the end record may take to leave the PC.
constexpr Millis kDrainBound = 10s;
constexpr std::uint32_t kLoadAddress = 0xA0000000;
// No progress to show after a block.
constexpr int kNoProgress = -1;

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
void FailDownload(BootLink& link, std::string_view cause) {
    link.Download.DownloadActive = 0;
    link.Fail(cause);
}

std::string HexWord(std::uint32_t value) {
    char text[12];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

// Sends a load command and leaves what it asks for where its download finds it.
int SendLoadCommand(BootLink& link, std::uint32_t length, std::uint32_t offset,
                    std::string_view length_text, std::string_view offset_text) {
    link.Requests.Offer({kLoadAddress + offset, length - offset});
    if (!SendString(link, LoadCommand(kLoadFileName, "A0000000", length_text, offset_text))) {
        return 0;
    }
    link.Await("the boot loader did not start the download within 20 s of the load command",
               kLoadAnswerWatchdogMs);
    return 1;
}

// After the bounded pause the end record must have left the PC over a line that still stands.
bool EndRecordLeft(BootLink& link) {
    const std::shared_ptr<SerialPort> port = link.hPort.Get();
    return port && port->Drain(link.WallTime(kDrainBound));
}

// A load command that could not be sent: the Update error page ends the wizard.
void RefuseLoad(BootLink& link) {
    Ui& ui = link.services.ui;
    ui.ShrinkProgressPage(false);
    ui.OpenPage(Page::UpdateError);
    ui.RequestClose();
}

// The next `count` image bytes as one block of 128 writes, 0xFF after them as erased flash reads,
// under a full-length header also when short; `percent` is shown after the writes, all gone out
// or not. No value when the whole block went out, else why not.
std::optional<std::string> SendBlock(BootLink& link, ImageFile& file, std::span<std::uint8_t> block,
                                     std::uint32_t address, std::uint32_t count, int percent) {
    const bool last = count < BLOCK_LENGTH;
    const std::optional<std::size_t> read = file.Read(block.first(count));
    if (!read || *read == 0) {
        link.Log(!last  ? "\n  Line 542: Read file fial!\n"
                 : read ? "\n Line 601: Read file fial!\n"
                        : "\nLine 612: Read file fial!\n");
        return "the image file could not be read";
    }
    std::fill(block.begin() + static_cast<std::ptrdiff_t>(*read), block.end(), 0xFF);
    if (!SendString(link, BlockHeaderRecord(address, BLOCK_LENGTH))) {
        if (last) link.Log("\nLine 575: Send String fial!\n");
        return "a block header could not be sent";
    }
    bool written = true;
    for (std::size_t i = 0; written && i < kWritesPerBlock; ++i) {
        written = SendString(link, block.subspan(i * TXQUEUE, TXQUEUE)) == 1;
    }
    if (!written) {
        link.Log(last ? "\nLine 581: Send String fial!\n" : "\n line 522 : Send string Error!\n");
        if (!last) link.services.ui.SetWatchdog(10);
    }
    if (percent != kNoProgress) SetDownloadProgress(link, percent);
    if (written) return std::nullopt;
    if (!last) link.Log("\nLine 537: i < BLOCK_LENGTH/TXQUEUE\n");
    return "a block could not be sent";
}

// The answer to the request that follows the last block. No value when the end record left the
// PC over a line that still stands.
std::optional<std::string> SendEndRecord(BootLink& link) {
    const bool end_sent = SendString(link, BlockHeaderRecord(0, 0)) == 1;
    // Armed, not stopped: a handheld that goes quiet now still ends the update.
    link.Await("the boot loader went quiet after the end of a download",
               kBetweenDownloadsWatchdogMs);
    if (!WaitWhileLinked(link, link.SendStringCompleteEvent, kCompletionWait)) {
        link.Log("\n Port: wait hSendStringCompleteEvent 120 second timeout!\n");
    }
    link.Log("\nLine 559: Flash Complete!\n");
    link.services.clock.Sleep(2000ms);
    if (!end_sent || !EndRecordLeft(link)) {
        return "the line failed before the end record had left the PC";
    }
    return std::nullopt;
}

// The block loop of one download: no value when every block went out and the end record left
// the PC, else why not.
std::optional<std::string> SendBlocks(BootLink& link, ImageFile& file,
                                      std::span<std::uint8_t> block, std::uint32_t start,
                                      std::uint32_t total) {
    std::uint32_t address = start;
    std::int32_t remaining = static_cast<std::int32_t>(total);
    if (remaining < 0) return "the download is larger than 2 GiB";
    for (;;) {
        if (!WaitWhileLinked(link, link.Download.NotifyRecordEvent, kRecordWait)) {
            link.Log("\n Line 496: Request record 60 seconds time out\n");
            return "the boot loader did not ask for the next block within 200 s";
        }
        link.Await("the boot loader did not ask for the next block within 150 s",
                   kRecordWatchdogMs);
        if (remaining == 0) return SendEndRecord(link);
        const std::uint32_t count = std::min(static_cast<std::uint32_t>(remaining), BLOCK_LENGTH);
        remaining -= static_cast<std::int32_t>(count);
        // The first download shows 0 to 99 after its full blocks; 100 is the second's end.
        int percent = kNoProgress;
        if (count == BLOCK_LENGTH && link.state.DownloadStatus == kFirstLoadSent) {
            percent = DownloadPercent(remaining, total);
        }
        if (percent == 100) percent = kNoProgress;
        if (std::optional<std::string> failure =
                SendBlock(link, file, block, address, count, percent)) {
            return failure;
        }
        address += BLOCK_LENGTH;
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
    link.Await("the boot loader did not ask for the file header within 60 s", kHeaderWatchdogMs);
    if (!WaitWhileLinked(link, context.NotifyHeaderEvent, kHeaderWait)) {
        context.Message.Store("\nSync Header time out\n");
        link.Log(context.Message.Load());
        return false;
    }
    link.Await("the boot loader did not ask for the first block within 150 s", kRecordWatchdogMs);
    return true;
}

// Every way out of the download thread: DownloadActive goes back to 0; a download that failed
// stops the link with its cause, one that sent what its load command asked for is counted and
// moves the update on.
class DownloadEnd {
  public:
    explicit DownloadEnd(BootLink& link) : link_(link) {}
    DownloadEnd(const DownloadEnd&) = delete;
    DownloadEnd& operator=(const DownloadEnd&) = delete;
    ~DownloadEnd() {
        if (cause_) {
            FailDownload(link_, *cause_);
            return;
        }
        link_.Download.DownloadActive = 0;
        if (!completed_) return;
        ++link_.CompletedDownloads;
        WizardState& state = link_.state;
        if (state.DownloadStatus == kFirstLoadSent) {
            state.DownloadStatus = kFirstDownloadEnded;
        } else if (state.DownloadStatus == kSecondLoadSent) {
            SetDownloadProgress(link_, 100);
        }
    }
    void Fail(std::string cause) { cause_ = std::move(cause); }
    void Complete() { completed_ = true; }

  private:
    BootLink& link_;
    std::optional<std::string> cause_;
    bool completed_ = false;
};

}  // namespace

int DownloadPercent(std::int32_t remaining, std::uint32_t total) {
    return static_cast<int>((1.0 - static_cast<double>(remaining) / total) * 100);
}

void FlashSequence(BootLink& link) {
    WizardState& state = link.state;
    Ui& ui = link.services.ui;
    const Clock& clock = link.services.clock;

    clock.Sleep(2000ms);
    constexpr char kNoPort[] = "the boot loader's port was not open within 20 s";
    link.Await(kNoPort, kPortWaitWatchdogMs);
    const PollResult port =
        link.PollUntil(kPortWaitBound, 1ms, [&link] { return link.hPort.IsOpen(); });
    if (port == PollResult::TimedOut) link.Fail(kNoPort);
    if (port != PollResult::Done) return;

    DownloadOpenHooks hooks;
    hooks.before_error_page = [&link] { link.hPort.Close(); };
    hooks.debug_output = [&link](std::string_view text) { link.Log(text); };
    const std::optional<std::uint64_t> length = OpenImageForDownload(state, ui, hooks);
    if (!length) {
        // Unless an error page has ended the wizard, the page ends now rather than by its
        // watchdog much later.
        if (!ui.CloseRequested()) FailDownload(link, "the image file could not be opened");
        return;
    }
    if (!LoadCommandCanAddress(*length)) {
        hooks.before_error_page();
        ui.OpenPage(Page::ImageTooLarge);
        ui.RequestClose();
        FailDownload(link, "the image is too large for the load command");
        return;
    }
    const auto image_length = static_cast<std::uint32_t>(*length);
    if (!SendLoadCommand(link, image_length, 0x80000, Hex(image_length), "00080000")) {
        RefuseLoad(link);
        return;
    }
    state.DownloadStatus = kFirstLoadSent;
    // Until the first download has ended, the link stops, or an error page ended the wizard (an
    // image that cannot be opened).
    clock.Sleep(10ms);
    link.PollUntil(kUntilStopped, 10ms, [&state, &ui] {
        return state.DownloadStatus == kFirstDownloadEnded || ui.CloseRequested();
    });
    if (state.DownloadStatus != kFirstDownloadEnded) return;
    if (!SendLoadCommand(link, 0x80000, 0x40000, "80000", "00040000")) {
        RefuseLoad(link);
        return;
    }
    state.DownloadStatus = kSecondLoadSent;
}

void DownloadThread(BootLink& link) {
    DownloadContext& context = link.Download;
    WizardState& state = link.state;
    Ui& ui = link.services.ui;
    DownloadEnd end(link);
    // Followed on the wire as the protocol has it, the keys never decide the verdict: that is
    // the load command's, and a download that none asked for is not followed at all.
    const std::optional<LoadRequest> request = link.Requests.Take();
    if (!request) return end.Fail("the boot loader started a download the PC had not asked for");
    const std::uint32_t address = HexPrefixValue(context.AddressText.Load());
    const std::uint32_t offset = HexPrefixValue(context.OffsetText.Load());
    const std::uint32_t length = HexPrefixValue(context.LengthText.Load());

    const std::string file_name = context.FileName.Load();
    if (file_name.empty()) {
        return end.Fail("the boot loader named no file for the download (no :F= key)");
    }
    ImageFile file;
    const std::optional<std::uint64_t> file_size =
        file.Open(file_name) == ImageFile::OpenResult::Opened ? file.Size() : std::nullopt;
    if (!file_size) {
        link.Stop();
        link.hPort.Close();
        ui.OpenPage(Page::ImageOpenError);
        ui.RequestClose();
        return;
    }
    const std::uint64_t size = length == 0xFFFFFFFFu ? *file_size : length;
    if (!Synchronise(link)) {
        return end.Fail("the boot loader did not ask for the file header within 60 s");
    }
    if (!(size > offset)) {
        link.Log("\r\n FileSize <= ImgBypassOffset!\r\n");
        context.Message.Store("\nImgSize <= ImgBypassOffset\n");
        link.Log(context.Message.Load());
        return end.Fail("the boot loader's keys leave nothing to send: length " + HexWord(length) +
                        " is not above offset " + HexWord(offset));
    }
    // Bytes past the image's end would be made up, not sent from it.
    const std::uint64_t payload = *file_size > kImageHeaderSize ? *file_size - kImageHeaderSize : 0;
    if (size > (length == 0xFFFFFFFFu ? 0xFFFFFFFFu : payload)) {
        return end.Fail("the boot loader's length key " + HexWord(length) +
                        " reaches beyond the image's " + std::to_string(payload) + " bytes");
    }
    const auto total = static_cast<std::uint32_t>(size - offset);
    file.Seek(kImageHeaderSize + std::uint64_t{offset});
    if (!SendString(link, FileHeaderRecord(address + offset, total))) {
        link.Log("\r\n File Header Send Error\r\n");
    }
    const std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow) std::uint8_t[BLOCK_LENGTH]);
    if (!buffer) {
        link.Log("\r\n can't allocation memory\r\n");
        return end.Fail("no memory for the block buffer");
    }
    if (state.DownloadStatus == kFirstLoadSent) {
        SetDownloadProgress(link, 0);
    } else {
        ui.SetProgressPosition(100);
        ui.SetProgressPercent(100);
    }
    const std::optional<std::string> failure =
        SendBlocks(link, file, std::span(buffer.get(), BLOCK_LENGTH), address + offset, total);

    link.services.clock.Sleep(2000ms);
    file.Close();
    if (failure) return end.Fail(*failure);
    const LoadRequest sent{address + offset, total};
    if (!(sent == *request)) {
        return end.Fail("the boot loader's keys moved the download: " + std::to_string(sent.count) +
                        " bytes went to " + HexWord(sent.start) + ", the load command asked for " +
                        std::to_string(request->count) + " bytes at " + HexWord(request->start));
    }
    end.Complete();
}

void SetDownloadProgress(BootLink& link, int percent) {
    Ui& ui = link.services.ui;
    link.Await("the boot loader did not ask for the next block within 90 s", kProgressWatchdogMs);
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
