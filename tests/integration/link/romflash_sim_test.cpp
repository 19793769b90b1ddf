// romflash flash against handheld-sim over real pseudo-terminals, on a faster clock: whole updates
// byte for byte, refusals that write nothing, and faults that end in a clear failure.

#include "flash_command.h"
#include "sim_link_rig.h"
#include "unit/image_test_files.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

namespace orvo::simtest {
namespace {

using ::testing::HasSubstr;
using namespace std::chrono_literals;

constexpr std::size_t kBlock = 0x20000;

struct Outcome {
    int exit = -1;
    std::string out;
    std::string err;
};

// A simulator with the ROM image file `spec` beside it.
struct FlashRig {
    explicit FlashRig(testing::ImageSpec spec, std::vector<std::string> options = {})
        : sim(WithBootLoader(std::move(options))), payload(spec.payload) {
        image = files.Write("update.nbf", testing::MakeImage(spec));
        before = Rom(sim, 0, kCompared);
        before_hash = FlashHash();
    }
    static std::vector<std::string> WithBootLoader(std::vector<std::string> options) {
        options.insert(options.begin(), {"--mode", "bootloader"});
        return options;
    }

    Outcome Flash() {
        romflash::FlashOptions options;
        options.image = image;
        options.ports = SimPorts(sim);
        std::ostringstream out;
        std::ostringstream err;
        const ScaledClock clock(kClockFactor);
        Outcome outcome;
        outcome.exit = romflash::FlashImage(options, clock, out, err);
        outcome.out = out.str();
        outcome.err = err.str();
        return outcome;
    }
    // The SHA-256 of the whole flash file, as the simulator reports it.
    std::string FlashHash() {
        const std::string state = sim.State();
        const std::size_t at = state.find("\"sha256\":\"");
        return at == std::string::npos ? std::string() : state.substr(at + 10, 64);
    }

    rigtest::Sim sim;
    testing::TempDir files;
    std::vector<std::uint8_t> payload;
    std::string image;
    // The first bytes of the ROM before the update: more than any image here.
    static constexpr std::size_t kCompared = 0x200000;
    std::vector<std::uint8_t> before;
    std::string before_hash;
};

std::vector<std::uint8_t> Slice(const std::vector<std::uint8_t>& bytes, std::size_t from,
                                std::size_t count) {
    return {bytes.begin() + static_cast<std::ptrdiff_t>(from),
            bytes.begin() + static_cast<std::ptrdiff_t>(from + count)};
}

// Rows 11 to 17 of the simulator's screen with the box of version 3.07.
const std::string kEdge = "\" ************                 \"";
const std::string kSide = "\" *          *                 \"";
const std::string kVersionBox = kEdge + "," + kSide + "," + kSide +
                                ",\" *   3.07   *                 \"," + kSide + "," + kSide + "," +
                                kEdge;

// The whole road: the image lands in the flash at 0xA0040000 on, the first 0x40000 image bytes
// are never sent, everything else stays as it was, and the version box is on the screen. (Other
// image sizes: link_sim_test.)
TEST(RomflashSim, WholeUpdateByteForByte) {
    const std::size_t size = 0x80000 + kBlock + 0x1234;
    FlashRig rig({.version = "3.07", .payload = testing::Payload(size, 5)});
    const Outcome outcome = rig.Flash();
    ASSERT_EQ(outcome.exit, romflash::kUpdated) << outcome.err;
    EXPECT_THAT(outcome.out, HasSubstr("Update complete"));
    EXPECT_EQ(Rom(rig.sim, 0x40000, size - 0x40000), Slice(rig.payload, 0x40000, size - 0x40000));
    EXPECT_EQ(Rom(rig.sim, 0, 0x40000), Slice(rig.before, 0, 0x40000));
    EXPECT_EQ(Rom(rig.sim, size, 0x40000), Slice(rig.before, size, 0x40000));
    const std::string state = rig.sim.State();
    EXPECT_THAT(state, HasSubstr(kVersionBox));
    EXPECT_THAT(state, HasSubstr("\"errors\":[]"));
}

// A boot loader that announces the length FFFFFFFF asks for the whole file, its 32-byte header
// counted: on the wire the first download follows it (the 32 bytes promised beyond the file's
// end arrive as 0xFF), but it is not what the load command asked for, so the update fails.
TEST(RomflashSim, LengthKeyAllOnesIsFollowedButNotCounted) {
    const std::size_t size = 0x80000 + kBlock + 0x100;
    FlashRig rig({.payload = testing::Payload(size, 9)});
    ASSERT_EQ(rig.sim.Control("keys L=FFFFFFFF"), "ok");
    const Outcome outcome = rig.Flash();
    ASSERT_EQ(outcome.exit, romflash::kUpdateFailed) << outcome.err;
    EXPECT_THAT(outcome.err, HasSubstr("keys moved the download"));
    EXPECT_THAT(outcome.err, HasSubstr("0 of 2 downloads complete"));
    EXPECT_EQ(Rom(rig.sim, 0x80000, size - 0x80000), Slice(rig.payload, 0x80000, size - 0x80000));
    EXPECT_EQ(Rom(rig.sim, size, 32), std::vector<std::uint8_t>(32, 0xFF));
    EXPECT_EQ(Rom(rig.sim, size + 32, 0x1000), Slice(rig.before, size + 32, 0x1000));
}

// Refusals and failures that write nothing: an offset not below the size, a handheld whose
// model, language or ROM type differ from the image's, a silent boot loader.
TEST(RomflashSim, FailuresWriteNothing) {
    struct Case {
        std::vector<std::string> options;
        const char* control;
        int exit;
        const char* reason;
    };
    const Case cases[] = {
        {{}, "keys O=A0000", romflash::kUpdateFailed, "0 of 2 downloads complete"},
        {{"--model", "Orvo 4711"}, nullptr, romflash::kImageRefused, "model"},
        {{"--lang", "ENG"}, nullptr, romflash::kImageRefused, "language"},
        {{"--romtype", "WBT"}, nullptr, romflash::kImageRefused, "ROM type"},
        {{}, "silent on", romflash::kNoBootLoader, "no boot loader answered"},
    };
    for (const Case& c : cases) {
        FlashRig rig({.payload = testing::Payload(0x80000 + kBlock)}, c.options);
        if (c.control) {
            ASSERT_EQ(rig.sim.Control(c.control), "ok") << c.reason;
        }
        const Outcome outcome = rig.Flash();
        EXPECT_EQ(outcome.exit, c.exit) << c.reason;
        EXPECT_THAT(outcome.err, HasSubstr(c.reason)) << c.reason;
        if (c.exit == romflash::kImageRefused) {
            EXPECT_THAT(outcome.err, HasSubstr("nothing was written")) << c.reason;
        }
        EXPECT_EQ(rig.FlashHash(), rig.before_hash) << c.reason;
    }
}

// The cable comes out after the first block: on USB the port vanishes and the next write fails;
// on a serial line the port stays but is dead and the watchdog ends the update. Either way the
// update fails, the first download is not taken for complete and the second never starts.
TEST(RomflashSim, CablePulledDuringTheDownload) {
    for (const char* link : {"usb1", "com1"}) {
        FlashRig rig({.payload = testing::Payload(0x80000 + 4 * kBlock)}, {"--link", link});
        ASSERT_EQ(rig.sim.Control("cable pull-after 1"), "ok");
        const Outcome outcome = rig.Flash();
        EXPECT_EQ(outcome.exit, romflash::kUpdateFailed) << link;
        EXPECT_THAT(outcome.err, HasSubstr("0 of 2 downloads complete")) << link;
        EXPECT_THAT(outcome.out, ::testing::Not(HasSubstr("Update complete"))) << link;
        const std::string state = rig.sim.State();
        EXPECT_THAT(state, ::testing::Not(HasSubstr("lnb c:\\\\test.nbf A0000000 80000"))) << link;
        EXPECT_THAT(state, HasSubstr("\"blocks_written\":1")) << link;
    }
}

}  // namespace
}  // namespace orvo::simtest
