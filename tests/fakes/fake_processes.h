#pragma once
// Processes and top-level windows for tests, in the order the system would list them. Each walk
// and start is written to `calls` (e.g. "snapshot", "windows", "start PATH"), and an ended
// process or window owner is marked so that a later walk passes it by.

#include "platform/processes.h"

#include <string>
#include <vector>

namespace orvo {

class FakeProcesses : public Processes {
  public:
    struct Entry {
        std::string text;  // path (process walks) or window title (window walk)
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

    std::vector<Entry> processes;
    std::vector<Entry> windows;
    std::vector<std::string> calls;

  private:
    static void EndFirst(std::vector<Entry>& entries, const TextMatch& matches) {
        for (Entry& entry : entries) {
            if (!entry.ended && matches(entry.text)) {
                entry.ended = true;
                return;
            }
        }
    }
};

}  // namespace orvo
