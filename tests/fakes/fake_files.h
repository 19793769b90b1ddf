#pragma once
// Files and free space as a test sets them.

#include "platform/files.h"

#include <set>
#include <vector>

namespace orvo {

class FakeFiles final : public Files {
  public:
    std::set<std::string> existing;
    std::optional<std::uint64_t> free_bytes = std::uint64_t{1} << 40;
    std::vector<std::string> removed, asked_free;

    bool Exists(const std::string& path) override { return existing.contains(path); }
    std::optional<std::uint64_t> FreeBytesForCaller(const std::string& path) override {
        asked_free.push_back(path);
        return free_bytes;
    }
    void RemoveFile(const std::string& path) override {
        removed.push_back(path);
        existing.erase(path);
    }
};

}  // namespace orvo
