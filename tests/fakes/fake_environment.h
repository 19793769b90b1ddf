#pragma once

#include "platform/environment.h"

namespace orvo {

class FakeEnvironment : public Environment {
  public:
    std::string windows_dir = "C:\\windows";
    std::string current_dir = "C:\\Veltro";

    std::string WindowsDirectory() override { return windows_dir; }
    std::string CurrentDirectory() override { return current_dir; }
};

}  // namespace orvo
