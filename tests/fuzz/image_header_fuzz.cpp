// An image file's first bytes as a header, and the whole input as a header and payload whose
// checksum is summed: the fields keep their widths, the checksum text is read as the backup
// writer writes it, and the fast sum agrees with a byte-by-byte one.
#include "fuzz/fuzz_check.h"
#include "image/image_checksum.h"
#include "image/image_header.h"

#include <span>

using orvo::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> input(data, size);
    std::uint32_t plain_sum = 0;
    for (std::uint8_t byte : input) plain_sum += byte;
    Require(orvo::SumBytes(input) == plain_sum, "the summed bytes differ from a plain sum");
    if (size < orvo::kImageHeaderSize) return 0;

    orvo::ImageHeader header;
    orvo::ParseImageHeader(input.first<orvo::kImageHeaderSize>(), header);
    Require(header.ModelID.size() <= 9 && header.RomTypeCode.size() <= 3 &&
                header.Lang.size() <= 3 && header.Version.size() <= 4,
            "a header field is longer than its place in the header");
    Require(!header.ChecksumText.empty() && header.ChecksumText.size() <= orvo::kMaxChecksumDigits,
            "the checksum text has no digit or more than four");
    if (const auto checksum = orvo::ParseHexText(header.ChecksumText)) {
        Require(orvo::ParseHexText(orvo::ChecksumText(*checksum)) == checksum,
                "a checksum written as a backup writes it reads back differently");
    }
    return 0;
}
