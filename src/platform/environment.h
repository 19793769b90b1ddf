#pragma once
// The places the flow asks the system for when it starts.

#include <string>

namespace orvo {

class Environment {
  public:
    virtual ~Environment() = default;
    virtual std::string WindowsDirectory() = 0;
    virtual std::string CurrentDirectory() = 0;
};

}  // namespace orvo
