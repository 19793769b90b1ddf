#pragma once

#include "platform/files.h"

namespace orvo::win32 {

class Win32Files final : public Files {
  public:
    bool Exists(const std::string& path) override;
    std::optional<std::uint64_t> FreeBytesForCaller(const std::string& path) override;
    void RemoveFile(const std::string& path) override;
};

}  // namespace orvo::win32
