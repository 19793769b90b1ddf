#pragma once
// The debugger output stream of Windows.

#include "platform/debug_log.h"

namespace orvo::win32 {

class DebugOutputLog final : public DebugLog {
  public:
    void Write(std::string_view text) override;
};

}  // namespace orvo::win32
