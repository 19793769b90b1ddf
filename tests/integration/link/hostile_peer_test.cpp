// romflash flash against a boot loader that misbehaves in one way each: every run ends within
// the bound of the phase it breaks, with a non-zero exit and a message naming the cause, never
// with a success; the handheld's texts reach the terminal escaped. On a clock 50 times faster
// than the wall clock.

#include "flash_command.h"
#include "hostile_peer.h"
#include "unit/image_test_files.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fakes/scaled_clock.h"

#include <cstdio>
#include <filesystem>
#include <sstream>

namespace orvo::simtest {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

constexpr int kFactor = 50;

struct Outcome {
    int exit = -1;
    std::string out;
    std::string err;
    Millis took{0};
};

Outcome Flash(const std::string& image, const std::string& port) {
    romflash::FlashOptions options;
    options.image = image;
    options.ports = romflash::NoPorts();
    romflash::SetPort(options.ports, "com1", port);
    std::ostringstream out;
    std::ostringstream err;
    const ScaledClock clock(kFactor);
    Outcome run;
    run.exit = romflash::FlashImage(options, clock, out, err);
    run.took = clock.Now();
    run.out = out.str();
    run.err = err.str();
    return run;
}

TEST(HostilePeer, EveryMisbehaviourEndsWithinItsBoundAndNamesItsCause) {
    struct Case {
        Misbehaviour misbehaviour;
        int exit;
        const char* cause;
        int bound_s;  // the phase's bound and the run's own pauses, port search included
    };
    using enum Misbehaviour;
    constexpr int kFailed = romflash::kUpdateFailed;
    const Case cases[] = {
        {QuietAfterIdentity, kFailed, "did not start the download within 20 s", 20 + 20},
        {QuietAfterFirstEnd, kFailed, "did not start the download within 20 s", 20 + 30},
        {StopsReadingInBlock, kFailed, "did not go out within 10 s", 10 + 30},
        {EchoesEverything, kFailed, "did not start the download within 20 s", 20 + 20},
        {KeepAliveInDownload, kFailed, "did not ask for the next block within 90 s", 90 + 25},
        {ShortLengthKey, kFailed, "keys moved the download: 256 bytes", 30},
        {UnalignedOffsetKey, kFailed, "went to 0xA0080001", 30},
        {AddressKeyZero, kFailed, "went to 0x00080000", 30},
        {KeysNotRepeated, kFailed, "the load command asked for 262144 bytes at 0xA0040000", 40},
        {UnaskedDownload, kFailed, "a download the PC had not asked for", 20},
        {LengthKeyZero, kFailed, "length 0x00000000 is not above offset", 30},
        {LengthKeyTooLarge, kFailed, "length key 0x7FFFFFFF reaches beyond", 30},
        {OffsetKeyBeyond, kFailed, "is not above offset 0x0FFFFFFF", 30},
        {NoFileKey, kFailed, "no :F= key", 30},
        {OverlongIdentity, romflash::kNoIdentity, "longer than 127 bytes", 20},
        {DiesAfterLastEnd, kFailed, "before the end record had left the PC", 45},
    };
    testing::TempDir files;
    const std::string image = files.Write(
        "update.nbf", testing::MakeImage({.payload = testing::Payload(0x80000 + 0x20100)}));
    for (const Case& c : cases) {
        HostilePeer peer(c.misbehaviour, "\x1b[2J", kFactor);
        const Outcome run = Flash(image, peer.Path());
        const std::string what = std::string(c.cause) + "\n" + run.out + run.err;
        EXPECT_EQ(run.exit, c.exit) << what;
        EXPECT_THAT(run.err, HasSubstr(c.cause)) << what;
        EXPECT_THAT(run.out, Not(HasSubstr("Update complete"))) << what;
        EXPECT_LE(run.took, Millis(c.bound_s * 1000)) << what;
        EXPECT_THAT(run.out + run.err, Not(HasSubstr("\x1b"))) << what;
        if (c.exit == kFailed) {
            EXPECT_THAT(run.out, HasSubstr("version \\x1B[2J")) << what;
        }
        std::printf("%-48s ended after %5.1f s of the link's time\n", c.cause,
                    static_cast<double>(run.took.count()) / 1000);
    }
}

// Images whose payload the load command cannot address are refused before the port is opened,
// without reading them through.
TEST(HostilePeer, ImagesBeyondTheLoadCommandAreRefusedFirst) {
    testing::TempDir files;
    for (const std::uint64_t payload :
         {std::uint64_t{0x60000000}, std::uint64_t{0xC0000000}, std::uint64_t{0x100000100}}) {
        const std::string image =
            files.Write("huge.nbf", testing::MakeImage({.payload = testing::Payload(0x100)}));
        std::filesystem::resize_file(image, payload + 32);
        HostilePeer peer(Misbehaviour::QuietAfterIdentity, "2.04", kFactor);
        const Outcome run = Flash(image, peer.Path());
        EXPECT_EQ(run.exit, romflash::kImageTooLarge) << payload;
        EXPECT_THAT(run.err, HasSubstr("more than the load command can address")) << payload;
        EXPECT_THAT(run.out, Not(HasSubstr("Looking for the boot loader"))) << payload;
    }
}

}  // namespace
}  // namespace orvo::simtest
