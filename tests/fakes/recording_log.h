#pragma once
// A debugger output stream that keeps every text, for tests.

#include "platform/debug_log.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

namespace orvo {

class RecordingLog final : public DebugLog {
  public:
    void Write(std::string_view text) override {
        std::lock_guard lock(mutex_);
        texts_.emplace_back(text);
    }
    bool Has(std::string_view text) const {
        std::lock_guard lock(mutex_);
        return std::ranges::find(texts_, text) != texts_.end();
    }

  private:
    mutable std::mutex mutex_;
    std::vector<std::string> texts_;
};

}  // namespace orvo
