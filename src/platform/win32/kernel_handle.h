#pragma once
// A kernel object's handle, closed exactly once. Null and INVALID_HANDLE_VALUE both mean none,
// since the system's functions fail with one or the other.

#include <windows.h>

#include <utility>

namespace orvo::win32 {

class KernelHandle {
  public:
    explicit KernelHandle(HANDLE handle = nullptr) : handle_(handle) {}
    KernelHandle(KernelHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    KernelHandle& operator=(KernelHandle&& other) noexcept {
        std::swap(handle_, other.handle_);
        return *this;
    }
    KernelHandle(const KernelHandle&) = delete;
    KernelHandle& operator=(const KernelHandle&) = delete;
    ~KernelHandle() {
        if (*this) CloseHandle(handle_);
    }

    explicit operator bool() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }

  private:
    HANDLE handle_;
};

}  // namespace orvo::win32
