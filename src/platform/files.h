#pragma once
// The files and disks the flow and the Options page ask about on the PC.

#include <cstdint>
#include <optional>
#include <string>

namespace orvo {

class Files {
  public:
    virtual ~Files() = default;
    virtual bool Exists(const std::string& path) = 0;
    // The bytes free for the caller on the volume of the folder that will hold `path`; none when
    // that cannot be asked.
    virtual std::optional<std::uint64_t> FreeBytesForCaller(const std::string& path) = 0;
    // Makes the file's attributes normal and deletes it; a missing file is no error.
    virtual void RemoveFile(const std::string& path) = 0;
};

}  // namespace orvo
