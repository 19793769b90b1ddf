#include "platform/win32/win32_files.h"

#include <windows.h>

#include <vector>

namespace orvo::win32 {

bool Win32Files::Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::optional<std::uint64_t> Win32Files::FreeBytesForCaller(const std::string& path) {
    // The folder that will hold the file, as the full path names it: a drive, a share or a
    // mounted folder is then measured where the file goes.
    const DWORD room = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
    if (room == 0) return std::nullopt;
    std::vector<char> full(room);
    char* name = nullptr;
    const DWORD length = GetFullPathNameA(path.c_str(), room, full.data(), &name);
    if (length == 0 || length >= room || name == nullptr) return std::nullopt;
    *name = '\0';
    ULARGE_INTEGER free_for_caller{};
    if (!GetDiskFreeSpaceExA(full.data(), &free_for_caller, nullptr, nullptr)) return std::nullopt;
    return free_for_caller.QuadPart;
}

void Win32Files::RemoveFile(const std::string& path) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
}

}  // namespace orvo::win32
