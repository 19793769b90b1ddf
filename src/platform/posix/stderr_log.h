#pragma once
// The debugger output stream on Linux: standard error, when asked for.

#include "platform/debug_log.h"

namespace orvo::posix {

class StderrLog final : public DebugLog {
  public:
    explicit StderrLog(bool enabled) : enabled_(enabled) {}
    void Write(std::string_view text) override;

  private:
    const bool enabled_;
};

}  // namespace orvo::posix
