#include "device/device_identity.h"
#include "image/image_checksum.h"
#include "image/image_header.h"
#include "image/language_table.h"
#include "unit/image_test_files.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

namespace orvo {
namespace {

using testing::Payload;

std::array<std::uint8_t, kImageHeaderSize> Header(const char (&text)[kImageHeaderSize + 1]) {
    std::array<std::uint8_t, kImageHeaderSize> bytes{};
    std::memcpy(bytes.data(), text, kImageHeaderSize);
    return bytes;
}

TEST(ParseHexText, ReadsDigitsOfEitherCaseAndKeepsTheLow16Bits) {
    EXPECT_EQ(ParseHexText("ff"), 0xff);
    EXPECT_EQ(ParseHexText("3a7"), 0x3a7);
    EXPECT_EQ(ParseHexText("beef"), 0xbeef);
    EXPECT_EQ(ParseHexText("BEEF"), 0xbeef);
    EXPECT_EQ(ParseHexText("0"), 0);
    EXPECT_EQ(ParseHexText("12345"), 0x2345);
}

TEST(ParseHexText, RefusesAnythingButHexDigits) {
    EXPECT_EQ(ParseHexText(""), std::nullopt);
    EXPECT_EQ(ParseHexText("g1"), std::nullopt);
    EXPECT_EQ(ParseHexText("1-"), std::nullopt);
    EXPECT_EQ(ParseHexText(" 12"), std::nullopt);
    EXPECT_EQ(ParseHexText(std::string_view("1\0", 2)), std::nullopt);
    EXPECT_EQ(ParseHexText("-"), std::nullopt);
}

TEST(ChecksumText, IsLowerCaseWithoutLeadingZeros) {
    EXPECT_EQ(ChecksumText(0x00ff), "ff");
    EXPECT_EQ(ChecksumText(0x03a7), "3a7");
    EXPECT_EQ(ChecksumText(0xBEEF), "beef");
    EXPECT_EQ(ChecksumText(0), "0");
    for (std::uint32_t value : {1u, 0x10u, 0xfffu, 0x1000u, 0xffffu}) {
        EXPECT_EQ(ParseHexText(ChecksumText(static_cast<std::uint16_t>(value))), value);
    }
}

TEST(SumBytes, EqualsTheByteBySumForEveryLengthAndAlignment) {
    const std::vector<std::uint8_t> bytes = Payload(5000, 7);
    for (std::size_t offset : {0u, 1u, 3u, 7u}) {
        for (std::size_t length : {0u, 1u, 7u, 8u, 9u, 63u, 2048u, 2049u, 4096u, 4990u}) {
            auto part = std::span(bytes).subspan(offset, length);
            std::uint32_t expected = 0;
            for (std::uint8_t byte : part) expected += byte;
            EXPECT_EQ(SumBytes(part), expected) << "offset " << offset << " length " << length;
        }
    }
}

TEST(SumBytes, DoesNotLoseCarriesOnAllOnesAndContinuesARunningSum) {
    // 255 in every byte fills the lanes to their limit between folds.
    const std::vector<std::uint8_t> ones(3 * 2048 + 5, 0xFF);
    EXPECT_EQ(SumBytes(ones), 255u * ones.size());
    EXPECT_EQ(SumBytes(ones, 100), 100 + 255u * ones.size());
}

TEST(ParseImageHeader, TakesTheFieldsAtTheirOffsets) {
    ImageHeader header;
    // The separators themselves are not looked at.
    ParseImageHeader(Header("Orvo 4700xNBTyGERz2.04wbeef-----"), header);
    EXPECT_EQ(header.ModelID, "Orvo 4700");
    EXPECT_EQ(header.RomTypeCode, "NBT");
    EXPECT_EQ(header.Lang, "GER");
    EXPECT_EQ(header.Version, "2.04");
    EXPECT_EQ(header.ChecksumText, "beef");
    EXPECT_EQ(header.ImageLanguageName, "German");
}

TEST(ParseImageHeader, EndsTheChecksumTextAtDashOrAfterFourCharacters) {
    ImageHeader header;
    ParseImageHeader(Header("Orvo 4700-NBT-GER-2.04-ff-------"), header);
    EXPECT_EQ(header.ChecksumText, "ff");
    EXPECT_EQ(ParseHexText(header.ChecksumText), 255);
    ParseImageHeader(Header("Orvo 4700-NBT-GER-2.04-ABCDEF---"), header);
    EXPECT_EQ(header.ChecksumText, "ABCD");
    // The first character is taken whatever it is; a dash there gives a text that is refused.
    ParseImageHeader(Header("Orvo 4700-NBT-GER-2.04--12------"), header);
    EXPECT_EQ(header.ChecksumText, "-12");
    EXPECT_EQ(ParseHexText(header.ChecksumText), std::nullopt);
    ParseImageHeader(Header("Orvo 4700-NBT-GER-2.04-1z-------"), header);
    EXPECT_EQ(ParseHexText(header.ChecksumText), std::nullopt);
}

TEST(ParseImageHeader, AZeroByteEndsATextField) {
    auto bytes = Header("Orvo 4700-NBT-GER-2.04-ff-------");
    bytes[4] = 0;
    ImageHeader header;
    ParseImageHeader(bytes, header);
    EXPECT_EQ(header.ModelID, "Orvo");
    EXPECT_EQ(header.RomTypeCode, "NBT");
}

TEST(ParseImageHeader, LooksTheLanguageUpIgnoringCaseAndKeepsTheOldNameForUnknownCodes) {
    ImageHeader header;
    ParseImageHeader(Header("Orvo 4700-NBT-ger-2.04-ff-------"), header);
    EXPECT_EQ(header.ImageLanguageName, "German");
    ParseImageHeader(Header("Orvo 4700-NBT-XYZ-2.04-ff-------"), header);
    EXPECT_EQ(header.Lang, "XYZ");
    EXPECT_EQ(header.ImageLanguageName, "German") << "an unknown code leaves the name as it was";
    ParseImageHeader(Header("Orvo 4700-NBT-PoT-2.04-ff-------"), header);
    EXPECT_EQ(header.ImageLanguageName, "Portuguese");
}

TEST(LanguageTable, FindsCodesIgnoringCaseAndOnlyWholeCodes) {
    EXPECT_EQ(LookUpLanguage("jpn"), "Japanese");
    EXPECT_EQ(LookUpLanguage("PTB"), "Portuguese");
    EXPECT_EQ(LookUpLanguage("pot"), "Portuguese");
    EXPECT_EQ(LookUpLanguage("chs"), "SChinese");
    EXPECT_EQ(LookUpLanguage("GE"), std::nullopt);
    EXPECT_EQ(LookUpLanguage("GERX"), std::nullopt);
    EXPECT_EQ(LookUpLanguage(""), std::nullopt);
}

TEST(IdentityText, JoinsTheFourFieldsAndFitsTheReserveArea) {
    DeviceIdentity identity = testing::Identity();
    EXPECT_EQ(IdentityText(identity), "Orvo 4700NBTGER2.04");
    identity.Lang = "GERMANYYY";
    identity.Version = "2.04.00.1234";
    const std::string text = IdentityText(identity);
    EXPECT_EQ(text.size(), kIdentityTextRoom);
    EXPECT_EQ(text, "Orvo 4700NBTGERMANYYY2.04.00.12");
}

}  // namespace
}  // namespace orvo
