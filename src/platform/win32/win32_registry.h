#pragma once
// The registry seam over the Win32 registry (ANSI functions: texts are in the ANSI code page).
// The keys are taken below `root`, the current user's root unless a test gives its own.

#include "platform/registry.h"

#include <windows.h>

namespace orvo::win32 {

class Win32Registry : public Registry {
  public:
    explicit Win32Registry(HKEY root = HKEY_CURRENT_USER) : root_(root) {}

    std::unique_ptr<RegistryKey> CreateUserKey(std::string_view path) override;
    std::unique_ptr<RegistryKey> OpenUserKey(std::string_view path, bool full_access) override;

  private:
    HKEY root_;
};

}  // namespace orvo::win32
