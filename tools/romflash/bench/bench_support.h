#pragma once
// What the benchmarks share: heap accounting (every allocation carries its size in front of it;
// include this header in one file of a benchmark only) and a UI that shows nothing.

#include "platform/ui.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace bench {

inline std::atomic<std::size_t> heap_now{0};
inline std::atomic<std::size_t> heap_peak{0};

// The heap held above what was held when the measurement began.
inline void ResetHeapPeak() { heap_peak = heap_now.load(); }

class QuietUi : public orvo::Ui {
  public:
    int OpenPage(orvo::Page) override { return orvo::kPageClosedAtOnce; }
    int OpenUpdateProgressPage(orvo::UpdateVariant) override { return orvo::kPageClosedAtOnce; }
    bool ShowFileDialog(const orvo::FileDialog&, std::string&) override { return false; }
    void RequestClose() override {}
    bool CloseRequested() const override { return false; }
    void ShowCheckingNotice() override {}
    void CloseCheckingNotice() override {}
    void SetWatchdog(int) override {}
    void StopWatchdog() override {}
    void SetProgressRange(int, int) override {}
    void SetProgressPosition(int) override {}
    void SetProgressPercent(unsigned) override {}
    void RefreshProgressCursor() override {}
    void ShrinkProgressPage(bool) override {}
    void EndProgressPage(int) override {}
    void SetBackupPercent(unsigned) override {}
    void ShrinkBackupPage() override {}
    void EndBackupPage(int) override {}
    void EnablePageControl(orvo::Page, int, bool) override {}
};

namespace detail {
constexpr std::size_t kHeaderRoom = alignof(std::max_align_t);

inline void* Allocate(std::size_t size) {
    auto* block = static_cast<unsigned char*>(std::malloc(size + kHeaderRoom));
    if (!block) throw std::bad_alloc();
    *reinterpret_cast<std::size_t*>(block) = size;
    const std::size_t now = heap_now += size;
    std::size_t peak = heap_peak.load();
    while (now > peak && !heap_peak.compare_exchange_weak(peak, now)) {
    }
    return block + kHeaderRoom;
}

inline void Release(void* pointer) {
    if (!pointer) return;
    auto* block = static_cast<unsigned char*>(pointer) - kHeaderRoom;
    heap_now -= *reinterpret_cast<std::size_t*>(block);
    std::free(block);
}
}  // namespace detail

}  // namespace bench

void* operator new(std::size_t size) { return bench::detail::Allocate(size); }
void* operator new[](std::size_t size) { return bench::detail::Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return bench::detail::Allocate(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return bench::detail::Allocate(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void operator delete(void* pointer) noexcept { bench::detail::Release(pointer); }
void operator delete[](void* pointer) noexcept { bench::detail::Release(pointer); }
void operator delete(void* pointer, std::size_t) noexcept { bench::detail::Release(pointer); }
void operator delete[](void* pointer, std::size_t) noexcept { bench::detail::Release(pointer); }
