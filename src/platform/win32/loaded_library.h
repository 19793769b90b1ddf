#pragma once
// A library loaded by name and unloaded exactly once, with its entry points looked up by name.
// The pointer types must carry the platform's calling convention (WINAPI): on i686 a wrong one
// corrupts the stack.

#include <windows.h>

namespace orvo::win32 {

class LoadedLibrary {
  public:
    explicit LoadedLibrary(const char* name) : module_(LoadLibraryA(name)) {}
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;
    ~LoadedLibrary() {
        if (module_ != nullptr) FreeLibrary(module_);
    }

    explicit operator bool() const { return module_ != nullptr; }

    // The entry point `name` as `Entry`; null when the library or the entry is missing.
    template <typename Entry>
    Entry Find(const char* name) const {
        if (module_ == nullptr) return nullptr;
        return reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    }

  private:
    HMODULE module_;
};

}  // namespace orvo::win32
