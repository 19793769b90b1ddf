#include "image/image_file.h"

#include <cerrno>

namespace orvo {

ImageFile::ImageFile() { stream_.rdbuf()->pubsetbuf(nullptr, 0); }

ImageFile::OpenResult ImageFile::Open(const std::string& path) {
    Close();
    errno = 0;
    stream_.open(path.c_str(), std::ios::in | std::ios::binary);
    if (stream_.is_open()) return OpenResult::Opened;
    return errno == ENOENT ? OpenResult::NotFound : OpenResult::Failed;
}

void ImageFile::Close() {
    if (stream_.is_open()) stream_.close();
    stream_.clear();
}

std::optional<std::size_t> ImageFile::Read(std::span<std::uint8_t> into) {
    if (!stream_.is_open()) return std::nullopt;
    stream_.clear();
    stream_.read(reinterpret_cast<char*>(into.data()), static_cast<std::streamsize>(into.size()));
    if (stream_.bad()) return std::nullopt;
    return static_cast<std::size_t>(stream_.gcount());
}

bool ImageFile::ReadExactly(std::span<std::uint8_t> into) {
    auto read = Read(into);
    return read && *read == into.size();
}

std::optional<std::uint64_t> ImageFile::Size() {
    if (!stream_.is_open()) return std::nullopt;
    stream_.clear();
    const std::streampos here = stream_.tellg();
    stream_.seekg(0, std::ios::end);
    const std::streampos end = stream_.tellg();
    stream_.seekg(here);
    if (here < 0 || end < 0 || !stream_) return std::nullopt;
    return static_cast<std::uint64_t>(static_cast<std::streamoff>(end));
}

bool ImageFile::Seek(std::uint64_t offset) {
    if (!stream_.is_open()) return false;
    stream_.clear();
    stream_.seekg(static_cast<std::streamoff>(offset));
    return static_cast<bool>(stream_);
}

}  // namespace orvo
