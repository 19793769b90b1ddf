#include "image/image_header.h"

#include "image/language_table.h"

#include <algorithm>

namespace orvo {
namespace {

std::string TextField(std::span<const std::uint8_t, kImageHeaderSize> bytes, std::size_t offset,
                      std::size_t length) {
    auto field = bytes.subspan(offset, length);
    auto end = std::find(field.begin(), field.end(), std::uint8_t{0});
    return std::string(field.begin(), end);
}

std::string ChecksumTextField(std::span<const std::uint8_t, kImageHeaderSize> bytes) {
    std::string text(1, static_cast<char>(bytes[kChecksumTextOffset]));
    for (std::size_t i = kChecksumTextOffset + 1;
         i < kChecksumTextOffset + kMaxChecksumDigits && bytes[i] != '-'; ++i) {
        text.push_back(static_cast<char>(bytes[i]));
    }
    return text;
}

}  // namespace

void ParseImageHeader(std::span<const std::uint8_t, kImageHeaderSize> bytes, ImageHeader& header) {
    header.ModelID = TextField(bytes, 0, 9);
    header.RomTypeCode = TextField(bytes, 10, 3);
    header.Lang = TextField(bytes, 14, 3);
    header.Version = TextField(bytes, 18, 4);
    header.ChecksumText = ChecksumTextField(bytes);
    if (auto name = LookUpLanguage(header.Lang)) header.ImageLanguageName = std::string(*name);
}

}  // namespace orvo
