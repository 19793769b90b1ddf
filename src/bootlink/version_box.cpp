#include "bootlink/version_box.h"

#include "bootlink/link_commands.h"

#include <array>
#include <string>

namespace orvo {
namespace {

struct ScreenStep {
    unsigned row;
    unsigned column;
    int version_char;  // which version character is drawn, or -1 for the text below
    const char* text;
    int pause_ms;
};

constexpr char kTwelve[] = "************";
constexpr std::array<ScreenStep, 16> kBox = {{
    {0xb, 1, -1, kTwelve, 100},
    {0xc, 1, -1, "*", 100},
    {0xc, 0xc, -1, "*", 100},
    {0xd, 1, -1, "*", 100},
    {0xd, 0xc, -1, "*", 100},
    {0xe, 1, -1, "*", 100},
    {0xe, 5, 0, "", 0},
    {0xe, 6, 1, "", 0},
    {0xe, 7, 2, "", 0},
    {0xe, 8, 3, "", 100},
    {0xe, 0xc, -1, "*", 100},
    {0xf, 1, -1, "*", 100},
    {0xf, 0xc, -1, "*", 100},
    {0x10, 1, -1, "*", 100},
    {0x10, 0xc, -1, "*", 100},
    {0x11, 1, -1, kTwelve, 1000},
}};

}  // namespace

int DrawVersionBox(BootLink& link) {
    int sent = 1;
    if (link.FramedMode == 1) {
        sent = SendString(link, kLineFlush);
        link.FramedMode = 0;
    }
    const std::string& version = link.state.Image.Version;
    for (const ScreenStep& step : kBox) {
        std::string text = step.text;
        if (step.version_char >= 0) {
            // A version shorter than four characters leaves the rest of the row empty.
            const auto at = static_cast<std::size_t>(step.version_char);
            text = at < version.size() ? version.substr(at, 1) : std::string();
        }
        sent &= SendString(link, ScreenMessageCommand(step.row, step.column, text));
        if (step.pause_ms > 0) link.services.clock.Sleep(Millis(step.pause_ms));
    }
    return sent;
}

}  // namespace orvo
