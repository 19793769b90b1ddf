#include "image/image_checksum.h"

#include "base/hex_digit.h"

#include <algorithm>
#include <cstring>

namespace orvo {
namespace {

// Eight bytes at a time: the even and the odd bytes of each word go into four 16-bit lanes of
// two accumulators. A lane takes at most 255 per word, so 256 words fit before the lanes are
// folded into the sum.
constexpr std::uint64_t kEvenBytes = 0x00FF00FF00FF00FFull;
constexpr std::size_t kWordsPerFold = 256;

constexpr std::uint32_t FoldLanes(std::uint64_t lanes) {
    return static_cast<std::uint32_t>((lanes & 0xFFFF) + ((lanes >> 16) & 0xFFFF) +
                                      ((lanes >> 32) & 0xFFFF) + (lanes >> 48));
}

}  // namespace

std::uint32_t SumBytes(std::span<const std::uint8_t> bytes, std::uint32_t sum) {
    const std::uint8_t* next = bytes.data();
    std::size_t left = bytes.size();
    while (left >= sizeof(std::uint64_t)) {
        const std::size_t words = std::min(left / sizeof(std::uint64_t), kWordsPerFold);
        std::uint64_t even = 0;
        std::uint64_t odd = 0;
        for (std::size_t i = 0; i < words; ++i) {
            std::uint64_t word;
            std::memcpy(&word, next + i * sizeof word, sizeof word);
            even += word & kEvenBytes;
            odd += (word >> 8) & kEvenBytes;
        }
        sum += FoldLanes(even) + FoldLanes(odd);
        next += words * sizeof(std::uint64_t);
        left -= words * sizeof(std::uint64_t);
    }
    for (; left > 0; --left) sum += *next++;
    return sum;
}

std::optional<std::uint16_t> ParseHexText(std::string_view text) {
    if (text.empty()) return std::nullopt;
    std::uint16_t value = 0;
    for (char c : text) {
        const int digit = HexDigitValue(c);
        if (digit < 0) return std::nullopt;
        value = static_cast<std::uint16_t>(value * 16 + digit);
    }
    return value;
}

std::string ChecksumText(std::uint16_t checksum) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    do {
        text.insert(text.begin(), kDigits[checksum % 16]);
        checksum /= 16;
    } while (checksum != 0);
    return text;
}

}  // namespace orvo
