#pragma once
// An image file opened for reading (other readers may open it too). A failed read is reported
// apart from the end of the file, so that it is never taken for data. The stream holds no
// buffer of its own: the caller's buffer is the only one.

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <optional>
#include <span>
#include <string>

namespace orvo {

class ImageFile {
  public:
    enum class OpenResult { Opened, NotFound, Failed };

    ImageFile();

    // Opens an existing file; NotFound when the system says there is no such file.
    OpenResult Open(const std::string& path);
    bool IsOpen() const { return stream_.is_open(); }
    void Close();

    // The number of bytes read into the front of `into`: fewer than asked only at the end of
    // the file, 0 there. No value when the read failed.
    std::optional<std::size_t> Read(std::span<std::uint8_t> into);
    // Fills `into` completely, or fails (also when the file ends first).
    bool ReadExactly(std::span<std::uint8_t> into);
    // The file's size; the read position is kept.
    std::optional<std::uint64_t> Size();
    bool Seek(std::uint64_t offset);

  private:
    std::ifstream stream_;
};

}  // namespace orvo
