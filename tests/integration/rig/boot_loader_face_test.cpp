// The simulated handheld's boot loader driven over its pty as the wizard drives it: port test,
// the two downloads of an update, and what the PC gets wrong. (The identity regions are read by
// the product's link in tests/integration/link.)
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "rig/sim_harness.h"

namespace rigtest {
namespace {

constexpr std::uint32_t kBlock = 0x20000;

// The PC side of one download, as the wizard's download thread answers the boot loader.
// `image` is the file: 32-byte header, then the ROM bytes.
void Download(Line& line, const std::vector<std::uint8_t>& image, const std::string& length,
              const std::string& offset) {
    std::string command = "lnb c:\\test.nbf A0000000 " + length + " " + offset + "\r";
    ASSERT_TRUE(line.Write(command));
    std::string keys = line.ReadUntil("start NB image download\r\n");
    ASSERT_NE(keys.find(":F=c:\\test.nbf\r\n"), std::string::npos) << keys;
    ASSERT_NE(keys.find(":A=A0000000\r\n"), std::string::npos) << keys;
    ASSERT_NE(keys.find(":L=" + length + "\r\n"), std::string::npos) << keys;
    ASSERT_NE(keys.find(":O=" + offset + "\r\n"), std::string::npos) << keys;
    std::uint32_t a = 0xA0000000;
    std::uint32_t o = static_cast<std::uint32_t>(std::stoul(offset, nullptr, 16));
    std::uint32_t l = static_cast<std::uint32_t>(std::stoul(length, nullptr, 16));
    ASSERT_TRUE(line.Write("B000FF\n"));
    ASSERT_EQ(line.ReadUntil("\x01"), "\x01");
    std::uint32_t total = l - o;
    ASSERT_TRUE(line.Write(Le32s({a + o, total})));
    std::uint32_t sent = 0;
    std::uint32_t address = a + o;
    for (;;) {
        ASSERT_EQ(line.ReadUntil("\x02"), "\x02") << "record request after " << sent << " bytes";
        if (sent == total) {
            ASSERT_TRUE(line.Write(std::vector<std::uint8_t>(12, 0)));  // end record
            break;
        }
        ASSERT_TRUE(line.Write(Le32s({address, kBlock, 0})));
        // The last block is padded with what the buffer held; the boot loader must not keep it.
        std::vector<std::uint8_t> block(kBlock, 0xEE);
        std::uint32_t n = std::min(kBlock, total - sent);
        std::memcpy(block.data(), image.data() + 32 + o + sent, n);
        ASSERT_TRUE(line.Write(block));
        sent += n;
        address += kBlock;
    }
}

TEST(BootLoaderFace, UpdateInTwoDownloadsWritesTheFlashByteForByte) {
    Sim sim({"--mode", "bootloader"});
    ASSERT_TRUE(sim.running());
    std::vector<std::uint8_t> before = ReadFile(sim.FlashFile());
    Line line(sim.Link("com1"));
    ASSERT_TRUE(line.ok());

    line.Write(std::string(8, '\r') + "COM1 Port Test\r");
    EXPECT_NE(line.ReadUntil("COM1 Port Test\r\n").find("COM1 Port Test\r\n"), std::string::npos);

    // An image of 1 MB and a bit: not a whole number of blocks after either offset.
    std::mt19937 random(4700);
    const std::uint32_t length = 0x102345;
    std::vector<std::uint8_t> image(32 + length);
    for (auto& b : image) b = static_cast<std::uint8_t>(random());
    Download(line, image, "102345", "00080000");
    Download(line, image, "80000", "00040000");

    std::vector<std::uint8_t> after = ReadFile(sim.FlashFile());
    ASSERT_EQ(after.size(), before.size());
    EXPECT_TRUE(std::equal(after.begin(), after.begin() + 0x40000, before.begin()))
        << "the first 0x40000 bytes are never sent";
    EXPECT_TRUE(
        std::equal(after.begin() + 0x40000, after.begin() + length, image.begin() + 32 + 0x40000))
        << "image bytes from 0x40000 on";
    EXPECT_TRUE(std::equal(after.begin() + length, after.end(), before.begin() + length))
        << "nothing after the image, padding of the last block included";

    const std::string state = sim.State();
    EXPECT_EQ(Missing(state, {"\"sha256\":\"" + Sha256(after) + "\"",
                              "\"written\":[[\"0xA0040000\",\"0xA0102345\"]]",
                              "\"header_start\":\"0xA0080000\",\"header_count\":\"0x00082345\","
                              "\"bytes\":533317,\"blocks\":5,\"state\":\"complete\"",
                              "\"header_start\":\"0xA0040000\",\"header_count\":\"0x00040000\","
                              "\"bytes\":262144,\"blocks\":2,\"state\":\"complete\"",
                              "\"errors\":[]"}),
              "")
        << state;
}

TEST(BootLoaderFace, RecordsWhatThePcGotWrong) {
    Sim sim({"--mode", "bootloader"});
    Line line(sim.Link("com1"));
    line.Write("QARSreaddata a0040100 28\rQARE\r");
    EXPECT_EQ(line.ReadUntil("QARE\r\nUnknown command\r\n"),
              "QARSreaddata a0040100 28\r\nUnknown command\r\nQARE\r\nUnknown command\r\n")
        << "a framed command in plain mode is not understood";
    line.Write("$ZIB$\rreaddata a0040100 28\r");
    EXPECT_EQ(line.ReadFor(300), "$ZIB$\r\n") << "a plain command in framed mode gets no answer";

    // A block for the wrong address ends the download: no further request comes.
    line.Write("\rlnb c:\\test.nbf A0000000 100000 00080000\r");
    line.ReadUntil("start NB image download\r\n");
    line.Write("B000FF\n");
    line.ReadUntil("\x01");
    line.Write(Le32s({0xA0080000, 0x80000}));
    line.ReadUntil("\x02");
    line.Write(Le32s({0xA00A0000, kBlock, 0}));
    line.Write(std::vector<std::uint8_t>(kBlock, 0));
    EXPECT_EQ(line.ReadFor(300), "");
    const std::string state = sim.State();
    EXPECT_EQ(Missing(state, {"framed command while not in framed mode",
                              "text outside a frame: readdata a0040100 28",
                              "download aborted: block at 0xA00A0000, expected 0xA0080000",
                              "\"state\":\"aborted\"", "\"written\":[]"}),
              "")
        << state;
}

}  // namespace
}  // namespace rigtest
