#pragma once
// The 32-byte text header of a ROM image file and the copy of its fields that the checks use.
//
//   0  ModelID (9)   9 "-"   10 RomTypeCode (3)   13 "-"   14 Lang (3)   17 "-"   18 Version (4)
//   22 "-"   23 checksum in hexadecimal (1-4 digits), then "-" up to offset 31   32 payload

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace orvo {

inline constexpr std::size_t kImageHeaderSize = 32;
// Header bytes 0 to 21 (the four texts and the separators between them) count in the checksum.
inline constexpr std::size_t kSummedHeaderBytes = 22;
inline constexpr std::size_t kChecksumTextOffset = 23;
inline constexpr std::size_t kMaxChecksumDigits = 4;

struct ImageHeader {
    std::string ModelID;
    std::string RomTypeCode;
    std::string Lang;
    std::string Version;
    std::string ChecksumText;
    std::string ImageLanguageName;  // English name of Lang; kept from before when Lang is unknown
};

// Copies the fields from their fixed offsets (separators are not looked at) and looks the
// language name up. A zero byte ends a text field as it ends a text; the checksum text ends at
// the first "-" after its first character or after four characters.
void ParseImageHeader(std::span<const std::uint8_t, kImageHeaderSize> bytes, ImageHeader& header);

}  // namespace orvo
