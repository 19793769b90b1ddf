#pragma once
// Writes a backup image file: the payload as it arrives in chunks, then the 32-byte header in
// front of it with the handheld's identity and the checksum, so that the file passes the same
// checks as a delivered image. The file is written beside its place under a temporary name and
// takes the place of any earlier file only once it is whole, so a failed backup destroys nothing.

#include "device/device_identity.h"

#include <cstdint>
#include <fstream>
#include <span>
#include <string>

namespace orvo {

class BackupImageWriter {
  public:
    BackupImageWriter();
    BackupImageWriter(const BackupImageWriter&) = delete;
    BackupImageWriter& operator=(const BackupImageWriter&) = delete;
    // Removes the temporary file of a backup that was not finished.
    ~BackupImageWriter();

    // Creates the temporary file beside `path` and leaves room for the header. False when it
    // cannot.
    bool Create(const std::string& path);
    // Appends payload bytes and adds them to the checksum. False when the write failed.
    bool Append(std::span<const std::uint8_t> chunk);
    // Writes the header, closes the file and puts it in the place of `path`, replacing a file
    // there. False when a write, the close or the replacement failed; `path` is then untouched.
    bool Finish(const DeviceIdentity& identity);

    // Where the unfinished file lives.
    static std::string TemporaryPath(const std::string& path) { return path + ".~part"; }

  private:
    void Discard();

    std::ofstream file_;
    std::string path_;
    std::uint32_t sum_ = 0;  // of the payload so far
};

// The 32 header bytes for `identity` and a payload whose bytes sum to `payload_sum`. Each text
// goes into its fixed field (cut or blank-padded to 9, 3, 3 and 4 characters) so that the
// header never reaches into the payload.
std::string BackupHeader(const DeviceIdentity& identity, std::uint32_t payload_sum);

}  // namespace orvo
