#pragma once
// A debugger output stream that keeps every text, for tests.

#include "platform/debug_log.h"

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
        for (const std::string& t : texts_) {
            if (t == text) return true;
        }
        return false;
    }

  private:
    mutable std::mutex mutex_;
    std::vector<std::string> texts_;
};

}  // namespace orvo
