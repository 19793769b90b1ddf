#pragma once
// Processes (by path) and top-level windows (by title) in the system's order, ended as the
// adapter ends them: the first match of a walk. Walks and starts are written to `calls`.

#include "platform/processes.h"

#include <algorithm>
#include <string>
#include <vector>

namespace orvo {

class FakeProcesses : public Processes {
  public:
    struct Entry {
        std::string text;
        bool ended = false;
    };

    void EndFirstProcess(ProcessListing listing, const TextMatch& matches) override {
        calls.push_back(listing == ProcessListing::ProcessStatus ? "process-status" : "snapshot");
        EndFirst(processes, matches);
    }
    void EndFirstWindowOwner(const TextMatch& matches) override {
        calls.push_back("windows");
        EndFirst(windows, matches);
    }
    bool StartProgram(const std::string& program) override {
        calls.push_back("start " + program);
        return true;
    }

    std::vector<Entry> processes, windows;
    std::vector<std::string> calls;

  private:
    static void EndFirst(std::vector<Entry>& entries, const TextMatch& matches) {
        auto first = std::ranges::find_if(
            entries, [&](const Entry& entry) { return !entry.ended && matches(entry.text); });
        if (first != entries.end()) first->ended = true;
    }
};

}  // namespace orvo
