#include "image/backup_image_writer.h"

#include "image/image_checksum.h"
#include "image/image_header.h"

#include <filesystem>
#include <string_view>
#include <system_error>

namespace orvo {
namespace {

void AppendField(std::string& header, std::string_view text, std::size_t width) {
    text = text.substr(0, width);
    header.append(text);
    header.append(width - text.size(), ' ');
}

}  // namespace

std::string BackupHeader(const DeviceIdentity& identity, std::uint32_t payload_sum) {
    std::string header;
    AppendField(header, identity.ModelID, 9);
    header.push_back('-');
    AppendField(header, identity.RomTypeCode, 3);
    header.push_back('-');
    AppendField(header, identity.Lang, 3);
    header.push_back('-');
    AppendField(header, identity.Version, 4);
    const std::uint32_t sum =
        SumBytes(std::span(reinterpret_cast<const std::uint8_t*>(header.data()), header.size()),
                 payload_sum);
    header.push_back('-');
    header.append(ChecksumText(static_cast<std::uint16_t>(sum)));
    header.resize(kImageHeaderSize, '-');
    return header;
}

// Unbuffered: a write that fails is seen by the call that made it.
BackupImageWriter::BackupImageWriter() { file_.rdbuf()->pubsetbuf(nullptr, 0); }

BackupImageWriter::~BackupImageWriter() { Discard(); }

void BackupImageWriter::Discard() {
    if (path_.empty()) return;
    file_.close();
    std::error_code ignored;
    std::filesystem::remove(TemporaryPath(path_), ignored);
    path_.clear();
}

bool BackupImageWriter::Create(const std::string& path) {
    Discard();
    sum_ = 0;
    file_.clear();
    file_.open(TemporaryPath(path).c_str(), std::ios::out | std::ios::binary | std::ios::trunc);
    if (!file_.is_open()) return false;
    path_ = path;
    file_.seekp(static_cast<std::streamoff>(kImageHeaderSize));
    return static_cast<bool>(file_);
}

bool BackupImageWriter::Append(std::span<const std::uint8_t> chunk) {
    if (!file_.is_open()) return false;
    file_.write(reinterpret_cast<const char*>(chunk.data()),
                static_cast<std::streamsize>(chunk.size()));
    if (!file_) return false;
    sum_ = SumBytes(chunk, sum_);
    return true;
}

bool BackupImageWriter::Finish(const DeviceIdentity& identity) {
    if (!file_.is_open()) return false;
    const std::string header = BackupHeader(identity, sum_);
    file_.seekp(0);
    file_.write(header.data(), static_cast<std::streamsize>(header.size()));
    file_.close();
    if (file_.fail()) {
        Discard();
        return false;
    }
    std::error_code error;
    std::filesystem::rename(TemporaryPath(path_), path_, error);
    if (error) {
        Discard();
        return false;
    }
    path_.clear();
    return true;
}

}  // namespace orvo
