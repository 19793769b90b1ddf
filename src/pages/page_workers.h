#pragma once
// The threads the pages start beside them: the progress pages' workers, the Boot-loader entry
// page's watcher and the Power warning page's poller. None may outlive what it reaches: the
// program ends them with End before its services and link go.

#include "bootlink/boot_link.h"
#include "device/power_poll.h"
#include "shell/wizard_state.h"

#include <functional>
#include <thread>

namespace orvo::pages {

class PageWorkers {
  public:
    PageWorkers() = default;
    PageWorkers(const PageWorkers&) = delete;
    PageWorkers& operator=(const PageWorkers&) = delete;
    // Waits for workers that End has not told to stop: they must end by themselves.
    ~PageWorkers();

    // Starts the worker of a progress page (the backup or the update). A worker of an earlier
    // progress page is waited for on the new thread, never on the page's, which that worker may
    // be reaching.
    void StartProgressWorker(std::function<void()> work);

    // Waits for the watcher of an earlier showing of the Boot-loader entry page. Its page set
    // BootWaitStop when it ended, but a port search under way runs to its end; two searches at
    // once would fight over the link. Must come before the new page clears BootWaitStop.
    void JoinBootWait();
    // Starts the watcher (after JoinBootWait).
    void StartBootWait(std::function<void()> work);

    PowerPoller power_poller;

    // The boot-loader link is done with for good (the update is over): the link is shut down,
    // and the power poller, which would otherwise run until the program ends, ends with it.
    void StopLinkForGood(BootLink& link);

    // Tells every worker to end (the watcher by BootWaitStop, the update worker by the stopped
    // link, the poller by its own stop; the backup ends by itself) and waits for them. Called
    // once the pages are gone; `link` may be none where no link was made.
    void End(WizardState& state, BootLink* link);

  private:
    std::thread progress_worker_;
    std::thread boot_wait_;
};

}  // namespace orvo::pages
