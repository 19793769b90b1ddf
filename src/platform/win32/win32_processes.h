#pragma once
// The processes seam over Win32: the process-status library ("PSAPI.DLL") and the process
// snapshot functions ("Kernel32.DLL"), both loaded by name so that the program starts where one
// is missing, and the window order below the program's main window.

#include "platform/processes.h"

#include <windows.h>

namespace orvo::win32 {

class Win32Processes : public Processes {
  public:
    // The window walk starts below `main_window`, which must outlive this object's use.
    explicit Win32Processes(const HWND& main_window) : main_window_(main_window) {}

    void EndFirstProcess(ProcessListing listing, const TextMatch& matches) override;
    void EndFirstWindowOwner(const TextMatch& matches) override;
    bool StartProgram(const std::string& program) override;

  private:
    const HWND& main_window_;
};

}  // namespace orvo::win32
