#pragma once
// The handheld's flash, kept in a file: the ROM from 0xA0000000 and, where the ROM does not reach
// them, the two further identity regions. Unmapped addresses read as erased (0xFF).
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace rig {

inline constexpr std::uint32_t kRomBase = 0xA0000000;
inline constexpr std::uint32_t kReserveArea = 0xA0040100;
inline constexpr std::uint32_t kIdentityRegion2 = 0xA2FC0000;
inline constexpr std::uint32_t kIdentityRegion3 = 0xA1FC0000;
inline constexpr std::uint32_t kIdentityRegionSize = 0x10000;

class Flash {
  public:
    Flash() = default;
    Flash(const Flash&) = delete;
    Flash& operator=(const Flash&) = delete;
    ~Flash();

    // Maps the file, creating it when missing. A fresh flash holds a deterministic pattern
    // (a factory ROM) with the reserve block erased. Returns false with `error` set.
    bool Open(const std::string& path, unsigned rom_mb, std::string& error);
    void Close();

    std::uint32_t rom_size() const { return rom_size_; }
    std::vector<std::uint8_t> Read(std::uint32_t address, std::size_t length) const;
    // False (and nothing written) when any byte lies outside the mapped regions.
    bool Write(std::uint32_t address, const std::uint8_t* data, std::size_t length);
    bool Contains(std::uint32_t address, std::size_t length) const;
    // Hex SHA-256 of the whole file, worked out again only after a write.
    const std::string& Sha256() const;
    // Byte ranges [first, last) written since the simulator started, merged.
    const std::vector<std::pair<std::uint32_t, std::uint32_t>>& written() const { return written_; }
    void ClearWritten() { written_.clear(); }
    const std::string& path() const { return path_; }
    // True when Open made the file.
    bool created() const { return created_; }
    std::size_t file_size() const { return size_; }

  private:
    struct Region {
        std::uint32_t base;
        std::uint32_t size;
        std::size_t file_offset;
    };
    std::uint8_t* Locate(std::uint32_t address, std::size_t length) const;
    void NoteWritten(std::uint32_t first, std::uint32_t last);

    std::string path_;
    std::vector<Region> regions_;
    std::uint8_t* map_ = nullptr;
    std::size_t size_ = 0;
    std::uint32_t rom_size_ = 0;
    bool created_ = false;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> written_;
    mutable std::string digest_;
};

}  // namespace rig
