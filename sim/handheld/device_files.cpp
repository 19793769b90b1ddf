#include "device_files.h"

#include <algorithm>
#include <cctype>

namespace rig {

DeviceFiles::DeviceFiles() : folders_{"", "\\windows", "\\temp"} {}

std::string DeviceFiles::Key(const std::string& path) {
    std::string key = path;
    std::replace(key.begin(), key.end(), '/', '\\');
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return key;
}

bool DeviceFiles::IsOpen(const std::string& key) const {
    return std::any_of(handles_.begin(), handles_.end(),
                       [&](const auto& h) { return h.second.key == key; });
}

std::uint32_t DeviceFiles::SharingConflict(const std::string& key, std::uint32_t access,
                                           std::uint32_t share) const {
    for (const auto& [id, h] : handles_) {
        if (h.key != key) continue;
        bool they_allow = (!(access & kGenericRead) || (h.share & kShareRead)) &&
                          (!(access & kGenericWrite) || (h.share & kShareWrite));
        bool we_allow = (!(h.access & kGenericRead) || (share & kShareRead)) &&
                        (!(h.access & kGenericWrite) || (share & kShareWrite));
        if (!they_allow || !we_allow) return kErrorSharingViolation;
    }
    return 0;
}

Opened DeviceFiles::Create(const std::string& path, std::uint32_t access, std::uint32_t share,
                           std::uint32_t disposition, std::uint32_t attributes) {
    std::string key = Key(path);
    std::size_t slash = key.rfind('\\');
    if (key.empty() || key[0] != '\\' || slash == key.size() - 1)
        return {0, kErrorInvalidParameter};
    if (!folders_.count(key.substr(0, slash))) return {0, kErrorPathNotFound};
    if (folders_.count(key)) return {0, kErrorAccessDenied};
    if (disposition < kCreateNew || disposition > kTruncateExisting) {
        return {0, kErrorInvalidParameter};
    }
    auto it = files_.find(key);
    bool exists = it != files_.end();
    if (disposition == kCreateNew && exists) return {0, kErrorFileExists};
    if ((disposition == kOpenExisting || disposition == kTruncateExisting) && !exists) {
        return {0, kErrorFileNotFound};
    }
    bool truncate = disposition == kCreateAlways || disposition == kTruncateExisting;
    if (exists && it->second.in_use && (access & kGenericWrite)) return {0, kErrorSharingViolation};
    if (exists) {
        if (std::uint32_t conflict = SharingConflict(key, access, share)) return {0, conflict};
    }
    if (!exists) {
        files_[key].attributes = attributes;
        names_[key] = path;
    } else if (truncate) {
        it->second.data.clear();
        it->second.attributes = attributes;
    }
    std::uint32_t handle = next_handle_++;
    handles_[handle] = Handle{key, access, share};
    // As on the platform, creating over a file that is there says so in the last error.
    bool reports_existing = exists && (disposition == kCreateAlways || disposition == kOpenAlways);
    return {handle, reports_existing ? kErrorAlreadyExists : 0};
}

std::uint32_t DeviceFiles::Read(std::uint32_t handle, std::uint32_t count,
                                std::vector<std::uint8_t>& out) {
    auto it = handles_.find(handle);
    if (it == handles_.end()) return kErrorInvalidHandle;
    if (!(it->second.access & kGenericRead)) return kErrorAccessDenied;
    const auto& data = files_[it->second.key].data;
    std::size_t pos = std::min(it->second.position, data.size());
    std::size_t n = std::min<std::size_t>(count, data.size() - pos);
    out.assign(data.begin() + pos, data.begin() + pos + n);
    it->second.position = pos + n;
    return 0;
}

std::uint32_t DeviceFiles::Write(std::uint32_t handle, const std::vector<std::uint8_t>& data) {
    auto it = handles_.find(handle);
    if (it == handles_.end()) return kErrorInvalidHandle;
    if (!(it->second.access & kGenericWrite)) return kErrorAccessDenied;
    auto& file = files_[it->second.key].data;
    std::size_t pos = it->second.position;
    if (file.size() < pos + data.size()) file.resize(pos + data.size());
    std::copy(data.begin(), data.end(), file.begin() + pos);
    it->second.position = pos + data.size();
    return 0;
}

std::uint32_t DeviceFiles::Close(std::uint32_t handle) {
    return handles_.erase(handle) ? 0 : kErrorInvalidHandle;
}

std::uint32_t DeviceFiles::Delete(const std::string& path) {
    std::string key = Key(path);
    auto it = files_.find(key);
    if (it == files_.end()) return folders_.count(key) ? kErrorAccessDenied : kErrorFileNotFound;
    if (it->second.in_use || IsOpen(key)) return kErrorSharingViolation;
    files_.erase(it);
    names_.erase(key);
    return 0;
}

std::uint32_t DeviceFiles::Move(const std::string& from, const std::string& to) {
    std::string src = Key(from);
    std::string dst = Key(to);
    auto it = files_.find(src);
    if (it == files_.end()) return kErrorFileNotFound;
    std::size_t slash = dst.rfind('\\');
    if (dst.empty() || dst[0] != '\\' || slash == dst.size() - 1) return kErrorInvalidParameter;
    if (!folders_.count(dst.substr(0, slash))) return kErrorPathNotFound;
    if (files_.count(dst) || folders_.count(dst)) return kErrorAlreadyExists;
    if (it->second.in_use || IsOpen(src)) return kErrorSharingViolation;
    files_[dst] = std::move(it->second);
    files_.erase(src);
    names_.erase(src);
    names_[dst] = to;
    return 0;
}

bool DeviceFiles::Exists(const std::string& path) const { return files_.count(Key(path)) != 0; }

DeviceFile* DeviceFiles::Find(const std::string& path) {
    auto it = files_.find(Key(path));
    return it == files_.end() ? nullptr : &it->second;
}

void DeviceFiles::Put(const std::string& path, std::vector<std::uint8_t> data) {
    std::string key = Key(path);
    files_[key].data = std::move(data);
    names_.emplace(key, path);
}

void DeviceFiles::Restart() {
    handles_.clear();
    for (auto& [key, file] : files_) file.in_use = false;
}

}  // namespace rig
