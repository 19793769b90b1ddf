#pragma once
// Owners of GDI objects and device contexts: each is released exactly once by its owner.

#include <windows.h>

#include <utility>

namespace orvo::win32 {

template <typename Handle, BOOL(WINAPI* Release)(Handle)>
class Owned {
  public:
    Owned() = default;
    explicit Owned(Handle handle) : handle_(handle) {}
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    Owned(Owned&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) Reset(std::exchange(other.handle_, nullptr));
        return *this;
    }
    ~Owned() { Reset(); }

    Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    void Reset(Handle handle = nullptr) {
        if (handle_) Release(handle_);
        handle_ = handle;
    }

  private:
    Handle handle_ = nullptr;
};

inline BOOL WINAPI DeleteFontObject(HFONT font) { return DeleteObject(font); }
inline BOOL WINAPI DeleteBrushObject(HBRUSH brush) { return DeleteObject(brush); }
inline BOOL WINAPI DeleteBitmapObject(HBITMAP bitmap) { return DeleteObject(bitmap); }

using OwnedFont = Owned<HFONT, DeleteFontObject>;
using OwnedBrush = Owned<HBRUSH, DeleteBrushObject>;
using OwnedBitmap = Owned<HBITMAP, DeleteBitmapObject>;
using OwnedDC = Owned<HDC, DeleteDC>;

}  // namespace orvo::win32
