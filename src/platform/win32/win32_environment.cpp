#include "platform/win32/win32_environment.h"

#include <windows.h>

namespace orvo::win32 {

// Both directories are ANSI texts of at most MAX_PATH characters; a longer one is not taken.
std::string Win32Environment::WindowsDirectory() {
    char buffer[MAX_PATH] = {};
    UINT length = GetWindowsDirectoryA(buffer, MAX_PATH);
    return length < MAX_PATH ? std::string(buffer, length) : std::string();
}

std::string Win32Environment::CurrentDirectory() {
    char buffer[MAX_PATH] = {};
    DWORD length = GetCurrentDirectoryA(MAX_PATH, buffer);
    return length < MAX_PATH ? std::string(buffer, length) : std::string();
}

}  // namespace orvo::win32
