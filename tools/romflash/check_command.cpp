#include "check_command.h"

#include "image/image_checksum.h"
#include "image/image_file.h"
#include "image/image_header.h"
#include "image/image_operations.h"
#include "printable.h"

#include <array>
#include <vector>

namespace orvo::romflash {

int CheckImage(const std::string& path, std::ostream& out, std::ostream& err) {
    ImageFile file;
    switch (file.Open(path)) {
        case ImageFile::OpenResult::Opened:
            break;
        case ImageFile::OpenResult::NotFound:
            err << "romflash: " << path << ": no such file\n";
            return kUnreadable;
        case ImageFile::OpenResult::Failed:
            err << "romflash: " << path << ": cannot be opened\n";
            return kUnreadable;
    }
    std::array<std::uint8_t, kImageHeaderSize> header_bytes{};
    const std::optional<std::size_t> header_read = file.Read(header_bytes);
    if (!header_read) {
        err << "romflash: " << path << ": cannot be read\n";
        return kUnreadable;
    }
    if (*header_read < kImageHeaderSize) {
        err << "romflash: " << path << ": " << *header_read
            << " bytes, shorter than the 32-byte header\n";
        return kUnreadable;
    }
    ImageHeader header;
    ParseImageHeader(header_bytes, header);
    std::vector<std::uint8_t> buffer(kChecksumBufferSize);
    const std::optional<ImageSum> sum = SumImageFile(file, buffer);
    if (!sum) {
        err << "romflash: " << path << ": cannot be read to its end\n";
        return kUnreadable;
    }
    const std::optional<std::uint16_t> expected = ParseHexText(header.ChecksumText);

    out << "Model:          " << Printable(header.ModelID) << '\n'
        << "ROM type:       " << Printable(header.RomTypeCode) << '\n'
        << "Language:       " << Printable(header.Lang) << " ("
        << (header.ImageLanguageName.empty() ? "unknown code" : header.ImageLanguageName) << ")\n"
        << "Version:        " << Printable(header.Version) << '\n'
        << "Checksum text:  " << Printable(header.ChecksumText) << '\n'
        << "Payload:        " << sum->payload_bytes << " bytes\n"
        << "Recomputed:     " << ChecksumText(sum->checksum) << '\n';
    if (!expected) {
        out << "Result:         checksum wrong (the checksum text is not hexadecimal)\n";
        return kChecksumWrong;
    }
    if (*expected != sum->checksum) {
        out << "Result:         checksum wrong\n";
        return kChecksumWrong;
    }
    out << "Result:         intact\n";
    return kIntact;
}

}  // namespace orvo::romflash
