#pragma once
// The debugger output stream the system writes its diagnostic texts to, byte for byte.

#include <string_view>

namespace orvo {

class DebugLog {
  public:
    virtual ~DebugLog() = default;
    virtual void Write(std::string_view text) = 0;
};

}  // namespace orvo
