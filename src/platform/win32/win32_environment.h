#pragma once

#include "platform/environment.h"

namespace orvo::win32 {

class Win32Environment : public Environment {
  public:
    std::string WindowsDirectory() override;
    std::string CurrentDirectory() override;
};

}  // namespace orvo::win32
