#pragma once
// The registry seam over the Win32 registry (ANSI functions: texts are in the ANSI code page).
// The keys are taken below `user_root` and `machine_root`, the current user's and the local
// machine's roots unless a test gives its own.

#include "platform/registry.h"

#include <windows.h>

namespace orvo::win32 {

class Win32Registry : public Registry {
  public:
    explicit Win32Registry(HKEY user_root = HKEY_CURRENT_USER,
                           HKEY machine_root = HKEY_LOCAL_MACHINE)
        : root_(user_root), machine_root_(machine_root) {}

    std::unique_ptr<RegistryKey> CreateUserKey(std::string_view path) override;
    std::unique_ptr<RegistryKey> OpenUserKey(std::string_view path, bool full_access) override;
    std::unique_ptr<RegistryKey> OpenMachineKey(std::string_view path) override;

  private:
    HKEY root_;
    HKEY machine_root_;
};

}  // namespace orvo::win32
