#include "bootlink/boot_port.h"

#include "bootlink/link_commands.h"
#include "bootlink/reader.h"

namespace orvo {
namespace {

using namespace std::chrono_literals;

constexpr int kAttempts = 8;
// A reader that does not become ready within this time is taken for a failed attempt.
constexpr Millis kReaderReadyBound = 10s;

// One attempt on an opened port: 1 when it echoed its test text.
int TestPort(BootLink& link, std::unique_ptr<SerialPort> opened, const PortCandidate& candidate) {
    const Clock& clock = link.services.clock;
    opened->ApplyLineSettings();
    opened->RaiseDtr();
    opened->RaiseRts();
    link.hPort.Set(std::move(opened));
    link.PortTestAnswer.Clear();
    link.Restart();
    link.reader = std::thread(USBReadThread, std::ref(link));
    if (link.PollUntil(kReaderReadyBound, 10ms, [&link] { return link.ReaderReady == 1; }) ==
        PollResult::Done) {
        SendString(link, kLineFlush);
        SendString(link, candidate.test_text);
        link.PortTestEvent.Wait(clock, 3000ms);
        if (link.PortTestAnswer.Load().find(candidate.test_text) != std::string::npos) {
            link.state.SerialLink = candidate.serial;
            return 1;
        }
    }
    if (link.hPort.IsOpen()) {
        link.Stop();
        clock.Sleep(1000ms);
        link.hPort.Close();
    }
    clock.Sleep(1000ms);
    link.Stop();
    link.JoinReader();
    return 0;
}

}  // namespace

int OpenBootPort(BootLink& link) {
    const Clock& clock = link.services.clock;
    if (link.services.stop_active_sync) link.services.stop_active_sync();
    clock.Sleep(2000ms);
    // A reader left from an earlier link ends before a new port is tried.
    link.ShutDown();
    link.JoinReader();

    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const PortCandidate& candidate = link.candidates[attempt % link.candidates.size()];
        clock.Sleep(500ms);
        link.PortTestEvent.Clear();
        SerialPorts::OpenResult result = SerialPorts::OpenResult::Failed;
        std::unique_ptr<SerialPort> opened = link.services.ports.Open(candidate.path, result);
        if (!opened) {
            if (result == SerialPorts::OpenResult::AccessDenied) clock.Sleep(100ms);
            clock.Sleep(1000ms);
            continue;
        }
        if (TestPort(link, std::move(opened), candidate)) return 1;
    }
    if (link.hPort.IsOpen()) {
        link.hPort.Close();
        clock.Sleep(2000ms);
    }
    return 0;
}

}  // namespace orvo
