#include "bootlink/boot_identity.h"

#include "bootlink/link_commands.h"
#include "image/language_table.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace orvo {
namespace {

using namespace std::chrono_literals;

struct Region {
    std::uint32_t first;
    std::uint32_t limit;  // the last record starts at or below it
};
constexpr std::array<Region, 3> kRegions = {{
    {0xA0040100, 0xA0040FCC},
    {0xA2FC0000, 0xA2FC0208},
    {0xA1FC0000, 0xA1FC0208},
}};
constexpr std::uint32_t kRecordStep = 0x34;
constexpr int kAnswerWatchdogMs = 10000;
// Without a progress page no watchdog ends the wait; a little longer than its period.
constexpr Millis kAnswerBound = 11s;
// From the identity to the first load command the PC checks the image; the watchdog stays
// armed meanwhile, so that a handheld gone quiet then still ends the update.
constexpr int kChecksWatchdogMs = 60000;
constexpr char kNoAnswer[] = "the boot loader did not answer the identity read within 10 s";

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

// The answer to the request just sent, or none when the link stopped or no answer came.
std::optional<std::string> WaitForAnswer(BootLink& link) {
    // Only answer lines are stored; one cut to fit has lost its frame end.
    std::string answer;
    const PollResult result = link.PollUntil(kAnswerBound, 10ms, [&link, &answer] {
        answer = link.AnswerLine.Load();
        return link.AnswerTooLong == 1 || !answer.empty();
    });
    if (result == PollResult::TimedOut) link.Fail(kNoAnswer);
    if (result != PollResult::Done || link.LinkStop == 1) return std::nullopt;
    if (link.AnswerTooLong == 1) {
        link.Fail("the boot loader's answer to the identity read was longer than " +
                  std::to_string(kAnswerLineRoom - 1) + " bytes");
        return std::nullopt;
    }
    return answer;
}

std::string Field(const std::string& answer, std::size_t offset, std::size_t length) {
    return offset < answer.size() ? answer.substr(offset, length) : std::string();
}

}  // namespace

bool IsIdentityRecord(std::string_view answer) {
    if (!Contains(answer, "Orvo")) return false;
    if (!Contains(answer, "WBT") && !Contains(answer, "NBT")) return false;
    for (const LanguageEntry& entry : LanguageTable) {
        if (Contains(answer, entry.code)) return true;
    }
    return false;
}

int ReadBootIdentity(BootLink& link) {
    Ui& ui = link.services.ui;
    const Clock& clock = link.services.clock;
    DeviceIdentity& device = link.state.Device;
    std::size_t region = 0;
    std::uint32_t address = kRegions[0].first;
    bool found = false;

    link.AnswerLine.Clear();
    link.AnswerTooLong = 0;
    SendString(link, ReadDataCommand(address));
    link.Await(kNoAnswer, kAnswerWatchdogMs);
    for (;;) {
        const std::optional<std::string> answer = WaitForAnswer(link);
        if (!answer) return 0;
        if (answer->size() > 5 && static_cast<unsigned char>((*answer)[5]) == 0xFF) {
            // An erased region: on to the next one.
            link.Await(kNoAnswer, kAnswerWatchdogMs);
            link.AnswerLine.Clear();
            if (++region == kRegions.size()) break;
            address = kRegions[region].first;
            SendString(link, ReadDataCommand(address));
            clock.Sleep(10ms);
            continue;
        }
        if (IsIdentityRecord(*answer)) {
            device.ModelID = Field(*answer, 5, 9);
            device.RomTypeCode = Field(*answer, 14, 3);
            device.Lang = Field(*answer, 17, 3);
            device.Version = Field(*answer, 20, 4);
            found = true;
            link.Await("the update did not begin within 60 s of the identity read",
                       kChecksWatchdogMs);
            break;
        }
        address += kRecordStep;
        link.AnswerLine.Clear();
        if (address > kRegions[region].limit) {
            if (++region == kRegions.size()) {
                link.Log("\r\n Line 5182: dwAddress>(0xA1FCFF00 - 0x34)");
                break;
            }
            address = kRegions[region].first;
            link.AnswerLine.Clear();
        }
        SendString(link, ReadDataCommand(address));
        link.Await(kNoAnswer, kAnswerWatchdogMs);
        clock.Sleep(10ms);
    }

    if (!found) {
        device.ModelID.clear();
        device.Lang.clear();
        device.Version.clear();
    }
    if (!device.ModelID.empty() && !device.Lang.empty()) return 1;
    ui.StopWatchdog();
    ui.OpenPage(Page::IdentificationError);
    return 0;
}

}  // namespace orvo
