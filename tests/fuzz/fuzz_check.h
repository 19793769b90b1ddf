#pragma once
// What the fuzz targets share: the check of a property on every input (when it does not hold,
// the run ends as a crash that the fuzzer keeps, with what went wrong), and a file of their own.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace orvo::fuzz {

inline void Require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

// A new empty file in /tmp for the whole run, removed when the run ends.
class TemporaryFile {
  public:
    explicit TemporaryFile(const std::string& prefix) {
        std::string name = "/tmp/" + prefix + "-XXXXXX";
        const int fd = mkstemp(name.data());
        Require(fd >= 0, "no temporary file");
        close(fd);
        path_ = name;
    }
    ~TemporaryFile() { unlink(path_.c_str()); }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

}  // namespace orvo::fuzz
