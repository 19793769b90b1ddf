#pragma once
// Image files for tests: headers built field by field with a checksum summed byte by byte (apart
// from the code under test), written into a temporary folder that is removed afterwards. Used by
// the native tests and by the Win32 ones.

#include "device/device_identity.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace orvo::testing {

struct ImageSpec {
    std::string model = "Orvo 4700";
    std::string rom_type = "NBT";
    std::string lang = "GER";
    std::string version = "2.04";
    std::vector<std::uint8_t> payload{};
};

inline std::vector<std::uint8_t> MakeImage(const ImageSpec& spec) {
    std::string head = spec.model + "-" + spec.rom_type + "-" + spec.lang + "-" + spec.version;
    std::vector<std::uint8_t> bytes(head.begin(), head.end());
    bytes.insert(bytes.end(), spec.payload.begin(), spec.payload.end());
    std::uint32_t sum = 0;
    for (std::uint8_t byte : bytes) sum += byte;
    // The checksum text as the header carries it: hexadecimal without leading zeros.
    char tail[16];
    std::snprintf(tail, sizeof tail, "-%x---------", sum & 0xFFFF);
    bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(head.size()), tail, tail + 10);
    return bytes;
}

// A handheld identity; the defaults are those of the default test image.
inline DeviceIdentity Identity(std::string model = "Orvo 4700", std::string rom_type = "NBT",
                               std::string lang = "GER", std::string version = "2.04") {
    DeviceIdentity identity;
    identity.ModelID = std::move(model);
    identity.RomTypeCode = std::move(rom_type);
    identity.Lang = std::move(lang);
    identity.Version = std::move(version);
    return identity;
}

inline std::vector<std::uint8_t> Payload(std::size_t size, std::uint32_t seed = 1) {
    std::vector<std::uint8_t> payload(size);
    for (auto& byte : payload) {
        seed = seed * 1664525u + 1013904223u;
        byte = static_cast<std::uint8_t>(seed >> 24);
    }
    return payload;
}

class TempDir {
  public:
    TempDir()
        : path_(std::filesystem::temp_directory_path() /
                ("romimage-" + std::to_string(std::random_device{}()))) {
        std::filesystem::create_directory(path_);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir() { std::filesystem::remove_all(path_); }

    std::string Folder() const { return path_.string(); }
    std::string Path(const std::string& name) const { return (path_ / name).string(); }
    std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
        std::ofstream out(Path(name), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        return Path(name);
    }
    std::vector<std::uint8_t> Read(const std::string& name) const {
        std::ifstream in(Path(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

  private:
    std::filesystem::path path_;
};

}  // namespace orvo::testing
