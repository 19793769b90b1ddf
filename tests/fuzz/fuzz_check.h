#pragma once
// What the fuzz targets share: their entry point (called by libFuzzer or by the corpus replay),
// the check of a property on every input (when it does not hold, the run ends as a crash that the
// fuzzer keeps, with what went wrong), and a file of their own.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace orvo::fuzz {

inline void Require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

// A new file in /tmp holding `contents` for the whole run, removed when the run ends.
class TemporaryFile {
  public:
    explicit TemporaryFile(const std::string& prefix, const std::string& contents = "") {
        std::string name = "/tmp/" + prefix + "-XXXXXX";
        const int fd = mkstemp(name.data());
        Require(fd >= 0 && write(fd, contents.data(), contents.size()) ==
                               static_cast<ssize_t>(contents.size()),
                "no temporary file");
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
