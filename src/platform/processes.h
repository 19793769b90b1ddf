#pragma once
// The processes seam: ending a program found by its executable path or by the title of its
// window, and starting one. The caller decides which process matches; the adapter walks the
// system's lists and ends the first match only (exit code 0). A list or library the system lacks
// ends a walk quietly.

#include <functional>
#include <string>
#include <string_view>

namespace orvo {

// How the running processes are listed.
enum class ProcessListing {
    ProcessStatus,  // the process-status library: each process's first module's path
    Snapshot,       // a process snapshot: each entry's executable name
};

using TextMatch = std::function<bool(std::string_view text)>;

class Processes {
  public:
    virtual ~Processes() = default;

    // Hands each process's path, in the list's order, to `matches` and ends the first one that
    // matches.
    virtual void EndFirstProcess(ProcessListing listing, const TextMatch& matches) = 0;
    // Hands the title of each top-level window below the main window in the window order that
    // has neither parent nor owner to `matches`, and ends the owner of the first one that
    // matches.
    virtual void EndFirstWindowOwner(const TextMatch& matches) = 0;
    // Starts `program` (a full path, not searched for) with an empty command line in a console
    // of its own, its window shown; not waited for. False when it cannot start.
    virtual bool StartProgram(const std::string& program) = 0;
};

}  // namespace orvo
