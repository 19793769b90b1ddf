#include "flash.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "sha256.h"

namespace rig {

namespace {

// A factory ROM: not all one value, so that a backup or a partial download shows up in hashes.
void FillFactoryRom(std::uint8_t* rom, std::uint32_t size) {
    std::uint32_t x = 0x4700A5A5;
    for (std::uint32_t i = 0; i + 4 <= size; i += 4) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        std::memcpy(rom + i, &x, 4);
    }
}

}  // namespace

Flash::~Flash() { Close(); }

bool Flash::Open(const std::string& path, unsigned rom_mb, std::string& error) {
    Close();
    if (rom_mb == 0 || rom_mb > 64) {
        error = "flash size must be 1 to 64 MB";
        return false;
    }
    rom_size_ = static_cast<std::uint32_t>(rom_mb) << 20;
    regions_ = {{kRomBase, rom_size_, 0}};
    std::size_t total = rom_size_;
    for (std::uint32_t base : {kIdentityRegion2, kIdentityRegion3}) {
        if (base - kRomBase >= rom_size_) {
            regions_.push_back({base, kIdentityRegionSize, total});
            total += kIdentityRegionSize;
        }
    }
    struct stat st {};
    bool fresh = ::stat(path.c_str(), &st) != 0;
    if (!fresh && static_cast<std::size_t>(st.st_size) != total) {
        error = "flash file " + path + " has " + std::to_string(st.st_size) + " bytes, expected " +
                std::to_string(total) + " for " + std::to_string(rom_mb) + " MB";
        return false;
    }
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0 || (fresh && ::ftruncate(fd, static_cast<off_t>(total)) != 0)) {
        error = "cannot create flash file " + path + ": " + std::strerror(errno);
        if (fd >= 0) ::close(fd);
        return false;
    }
    void* map = ::mmap(nullptr, total, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    ::close(fd);
    if (map == MAP_FAILED) {
        error = "cannot map flash file " + path + ": " + std::strerror(errno);
        return false;
    }
    map_ = static_cast<std::uint8_t*>(map);
    size_ = total;
    path_ = path;
    created_ = fresh;
    if (fresh) {
        FillFactoryRom(map_, rom_size_);
        std::memset(map_ + rom_size_, 0xFF, total - rom_size_);
        // The block holding the reserve area leaves the factory erased.
        std::memset(map_ + 0x40000, 0xFF, std::min<std::uint32_t>(0x40000, rom_size_ - 0x40000));
    }
    return true;
}

void Flash::Close() {
    if (map_ != nullptr) {
        ::msync(map_, size_, MS_SYNC);
        ::munmap(map_, size_);
        map_ = nullptr;
    }
    size_ = 0;
    digest_.clear();
}

std::uint8_t* Flash::Locate(std::uint32_t address, std::size_t length) const {
    for (const Region& r : regions_) {
        std::uint64_t off = std::uint64_t{address} - r.base;
        // Compared so that no length, however large, wraps around.
        if (address >= r.base && off <= r.size && length <= r.size - off) {
            return map_ + r.file_offset + off;
        }
    }
    return nullptr;
}

bool Flash::Contains(std::uint32_t address, std::size_t length) const {
    return map_ != nullptr && Locate(address, length) != nullptr;
}

std::vector<std::uint8_t> Flash::Read(std::uint32_t address, std::size_t length) const {
    if (const std::uint8_t* whole = map_ == nullptr ? nullptr : Locate(address, length)) {
        return std::vector<std::uint8_t>(whole, whole + length);
    }
    std::vector<std::uint8_t> out(length, 0xFF);
    for (std::size_t i = 0; i < length && map_ != nullptr; ++i) {
        if (const std::uint8_t* p = Locate(static_cast<std::uint32_t>(address + i), 1)) out[i] = *p;
    }
    return out;
}

bool Flash::Write(std::uint32_t address, const std::uint8_t* data, std::size_t length) {
    std::uint8_t* p = map_ == nullptr ? nullptr : Locate(address, length);
    if (p == nullptr) return false;
    std::memcpy(p, data, length);
    digest_.clear();
    if (length > 0) NoteWritten(address, static_cast<std::uint32_t>(address + length));
    return true;
}

void Flash::NoteWritten(std::uint32_t first, std::uint32_t last) {
    written_.emplace_back(first, last);
    std::sort(written_.begin(), written_.end());
    std::vector<std::pair<std::uint32_t, std::uint32_t>> merged;
    for (const auto& r : written_) {
        if (!merged.empty() && r.first <= merged.back().second) {
            merged.back().second = std::max(merged.back().second, r.second);
        } else {
            merged.push_back(r);
        }
    }
    written_ = std::move(merged);
}

const std::string& Flash::Sha256() const {
    if (digest_.empty() && map_ != nullptr) digest_ = Sha256Hex(map_, size_);
    return digest_;
}

}  // namespace rig
