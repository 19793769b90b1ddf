#include "bootlink/reader.h"

#include "bootlink/download.h"

namespace orvo {
namespace {

using namespace std::chrono_literals;

constexpr int kByteWatchdogMs = 150000;
// How long one read waits for a pending byte before the loop looks at its flags again.
constexpr std::chrono::milliseconds kReadBound{1};
// "COM1 " or "USB " before "Port Test" in a test text.
constexpr std::size_t kPortNameRoom = 5;

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

void StartDownload(BootLink& link) {
    DownloadContext& context = link.Download;
    // The previous download has cleared DownloadActive and is at its very end.
    if (context.thread.joinable()) context.thread.join();
    context.DownloadActive = 1;
    context.thread = std::thread(DownloadThread, std::ref(link));
}

// The handheld is gone from its USB port: the same shut-down as a failed write.
void EndUsbLink(BootLink& link) {
    link.hPort.Close();
    link.Log("\r\n Line 572: Write file fail !\r\n");
    link.Fail("the handheld's USB serial device is gone");
    link.services.clock.Sleep(1ms);
}

}  // namespace

std::string KeyValue(std::string_view line, std::string_view key) {
    const std::size_t at = line.find(key);
    if (at == std::string_view::npos) return {};
    const std::string_view rest = line.substr(at + key.size());
    return std::string(rest.substr(0, rest.find_first_of("\r\b")));
}

void ApplyLineRules(BootLink& link, std::string_view line) {
    DownloadContext& context = link.Download;
    if (Contains(line, ":F=")) {
        context.FileName.Store(link.state.ImagePath);
        link.Log("\r\n Port Receive filenameKey\r\n");
    }
    if (Contains(line, ":A=")) {
        context.AddressText.Store(KeyValue(line, ":A="));
        link.Log("\r\n Port Receive addressKey\r\n");
    }
    if (Contains(line, ":L=")) {
        context.LengthText.Store(KeyValue(line, ":L="));
        link.Log("\r\n Port Receive LengthKey\r\n");
    }
    if (Contains(line, ":O=")) {
        context.OffsetText.Store(KeyValue(line, ":O="));
        link.Log("\r\n Port Receive offsetKey\r\n");
    }
    if (Contains(line, "start NB image download") && context.DownloadActive == 0) {
        StartDownload(link);
        link.Log("\r\n Port Receive startNBKey\r\n");
    }
    if (Contains(line, "QARE")) {
        link.AnswerTooLong = line.size() >= kAnswerLineRoom ? 1 : 0;
        link.AnswerLine.Store(line);
    }
    if (const std::size_t at = line.find("Port Test"); at != std::string_view::npos) {
        // A line longer than the answer's room keeps the part where a test text can stand.
        link.PortTestAnswer.Store(line.substr(at > kPortNameRoom ? at - kPortNameRoom : 0));
        link.PortTestEvent.Pulse();
    }
}

void USBReadThread(BootLink& link) {
    Ui& ui = link.services.ui;
    const Clock& clock = link.services.clock;
    ui.SetWatchdog(kByteWatchdogMs);
    const std::shared_ptr<SerialPort> port = link.hPort.Get();
    if (port) port->SetReadReturnsAtOnce();
    ui.SetWatchdog(kByteWatchdogMs);
    // Ready only now, so that the opener's first commands find the watchdog as the reader left it.
    link.ReaderReady = 1;

    std::string pending;
    pending.reserve(kReceiveTextRoom);
    // The stop is looked at on every pass, also with text pending: a line half received when the
    // link stops gets no more bytes to complete it.
    while (port && link.LinkStop != 1) {
        std::uint8_t byte = 0;
        const SerialPort::ReadResult read = port->ReadByte(byte, kReadBound);
        if (read == SerialPort::ReadResult::Failed && link.state.SerialLink != 1 &&
            !port->ProbePresence()) {
            EndUsbLink(link);
            break;
        }
        // A byte alone is no progress (an echo or a keep-alive would hold the watchdog off for
        // ever): the watchdog is re-armed by the steps that the boot loader's answers move on.
        // The pending text is zero-terminated: a zero byte adds nothing to it.
        if (read == SerialPort::ReadResult::Byte && byte != 0) {
            pending.push_back(static_cast<char>(byte));
        }
        if (link.Download.DownloadActive == 1) {
            if (Contains(pending, "\x01")) {
                link.Download.NotifyHeaderEvent.Set();
                pending.clear();
                link.Log("\r\n Port Line 281 Receive NotifyHeaderEvent\r\n");
            }
            if (Contains(pending, "\x02")) {
                link.Download.NotifyRecordEvent.Set();
                pending.clear();
                link.Log("\r\n Port Line 287 Receive NotifyRecordEvent\r\n");
            }
        }
        // A run of text that fills the pending text without ending a line is cut there.
        if (Contains(pending, "\n") || Contains(pending, "QARE") ||
            pending.size() >= kReceiveTextRoom - 1) {
            const std::string line = std::move(pending);
            pending.clear();
            if (link.Download.DownloadActive == 0) ApplyLineRules(link, line);
        }
        clock.Sleep(20ms);
        if (!pending.empty()) continue;
        clock.Sleep(1ms);
    }

    link.ReaderReady = 0;
    link.hPort.Close();
    link.Log("\r\n Exit USBReadThread!\r\n");
}

}  // namespace orvo
