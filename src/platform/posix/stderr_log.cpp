#include "platform/posix/stderr_log.h"

#include <unistd.h>

namespace orvo::posix {

void StderrLog::Write(std::string_view text) {
    if (!enabled_) return;
    // One write per text, so that texts from several threads do not interleave.
    [[maybe_unused]] const ssize_t n = ::write(STDERR_FILENO, text.data(), text.size());
}

}  // namespace orvo::posix
