#include "device/device_identity.h"
#include "image/image_checksum.h"
#include "image/image_header.h"
#include "image/language_table.h"
#include "unit/image_test_files.h"

#include <gtest/gtest.h>

#include <cstring>

namespace orvo {
namespace {

ImageHeader Parse(const char (&text)[kImageHeaderSize + 1], ImageHeader header = {}) {
    std::array<std::uint8_t, kImageHeaderSize> bytes{};
    std::memcpy(bytes.data(), text, kImageHeaderSize);
    ParseImageHeader(bytes, header);
    return header;
}

TEST(ParseHexText, ReadsEitherCaseKeepsTheLow16BitsAndRefusesAnythingElse) {
    const std::pair<std::string_view, std::optional<std::uint16_t>> cases[] = {
        {"ff", 0xff},         {"BEEF", 0xbeef},      {"0", 0},
        {"12345", 0x2345},    {"", std::nullopt},    {"g1", std::nullopt},
        {"1-", std::nullopt}, {" 12", std::nullopt}, {std::string_view("1\0", 2), std::nullopt},
    };
    for (const auto& [text, value] : cases) EXPECT_EQ(ParseHexText(text), value) << text;
}

TEST(SumBytes, EqualsTheByteBySumForEveryLengthAndAlignment) {
    const std::vector<std::uint8_t> bytes = testing::Payload(5000, 7);
    for (std::size_t offset : {0u, 1u, 3u}) {
        for (std::size_t length : {0u, 1u, 7u, 9u, 2049u, 4990u}) {
            auto part = std::span(bytes).subspan(offset, length);
            std::uint32_t expected = 0;
            for (std::uint8_t byte : part) expected += byte;
            EXPECT_EQ(SumBytes(part), expected) << "offset " << offset << " length " << length;
        }
    }
    // 255 in every byte fills the lanes to their limit between folds.
    const std::vector<std::uint8_t> ones(3 * 2048 + 5, 0xFF);
    EXPECT_EQ(SumBytes(ones, 100), 100 + 255u * ones.size());
}

TEST(ParseImageHeader, TakesTheFieldsAtTheirOffsets) {
    // The separators themselves are not looked at.
    const ImageHeader header = Parse("Orvo 4700xNBTyGERz2.04wbeef-----");
    EXPECT_EQ(header.ModelID, "Orvo 4700");
    EXPECT_EQ(header.RomTypeCode, "NBT");
    EXPECT_EQ(header.Lang, "GER");
    EXPECT_EQ(header.Version, "2.04");
    EXPECT_EQ(header.ChecksumText, "beef");
    EXPECT_EQ(header.ImageLanguageName, "German");
    EXPECT_EQ(Parse("Orvo\0004700-NBT-GER-2.04-ff-------").ModelID, "Orvo")
        << "a zero byte ends a text field";
}

TEST(ParseImageHeader, EndsTheChecksumTextAtDashOrAfterFourCharacters) {
    EXPECT_EQ(Parse("Orvo 4700-NBT-GER-2.04-ff-------").ChecksumText, "ff");
    EXPECT_EQ(Parse("Orvo 4700-NBT-GER-2.04-ABCDEF---").ChecksumText, "ABCD");
    // The first character is taken whatever it is; a dash there gives a text that is refused.
    EXPECT_EQ(Parse("Orvo 4700-NBT-GER-2.04--12------").ChecksumText, "-12");
}

TEST(ParseImageHeader, LooksTheLanguageUpIgnoringCaseAndKeepsTheOldNameForUnknownCodes) {
    const ImageHeader german = Parse("Orvo 4700-NBT-ger-2.04-ff-------");
    EXPECT_EQ(german.ImageLanguageName, "German");
    const ImageHeader unknown = Parse("Orvo 4700-NBT-XYZ-2.04-ff-------", german);
    EXPECT_EQ(unknown.Lang, "XYZ");
    EXPECT_EQ(unknown.ImageLanguageName, "German") << "an unknown code leaves the name as it was";
    EXPECT_EQ(Parse("Orvo 4700-NBT-PoT-2.04-ff-------").ImageLanguageName, "Portuguese");
    // Only whole codes are found.
    EXPECT_EQ(LookUpLanguage("GE"), std::nullopt);
    EXPECT_EQ(LookUpLanguage("GERX"), std::nullopt);
    EXPECT_EQ(LookUpLanguage(""), std::nullopt);
}

TEST(IdentityText, JoinsTheFourFieldsAndFitsTheReserveArea) {
    DeviceIdentity identity = testing::Identity();
    EXPECT_EQ(IdentityText(identity), "Orvo 4700NBTGER2.04");
    identity.Lang = "GERMANYYY";
    identity.Version = "2.04.00.1234";
    EXPECT_EQ(IdentityText(identity), "Orvo 4700NBTGERMANYYY2.04.00.12");
}

}  // namespace
}  // namespace orvo
