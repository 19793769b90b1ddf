#pragma once
// Writes a backup image file: the payload as it arrives in chunks, then the 32-byte header in
// front of it with the handheld's identity and the checksum, so that the file passes the same
// checks as a delivered image.

#include "device/device_identity.h"

#include <cstdint>
#include <fstream>
#include <span>
#include <string>

namespace orvo {

class BackupImageWriter {
  public:
    BackupImageWriter();

    // Creates or replaces the file and leaves room for the header. False when it cannot.
    bool Create(const std::string& path);
    // Appends payload bytes and adds them to the checksum. False when the write failed.
    bool Append(std::span<const std::uint8_t> chunk);
    // Writes the header and closes the file. False when a write failed.
    bool Finish(const DeviceIdentity& identity);

  private:
    std::ofstream file_;
    std::uint32_t sum_ = 0;  // of the payload so far
};

// The 32 header bytes for `identity` and a payload whose bytes sum to `payload_sum`. Each text
// goes into its fixed field (cut or blank-padded to 9, 3, 3 and 4 characters) so that the
// header never reaches into the payload.
std::string BackupHeader(const DeviceIdentity& identity, std::uint32_t payload_sum);

}  // namespace orvo
