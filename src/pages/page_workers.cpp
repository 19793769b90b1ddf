#include "pages/page_workers.h"

#include <utility>

namespace orvo::pages {

PageWorkers::~PageWorkers() {
    power_poller.Stop();
    JoinBootWait();
    if (progress_worker_.joinable()) progress_worker_.join();
}

void PageWorkers::StartProgressWorker(std::function<void()> work) {
    progress_worker_ =
        std::thread([earlier = std::move(progress_worker_), work = std::move(work)]() mutable {
            if (earlier.joinable()) earlier.join();
            work();
        });
}

void PageWorkers::JoinBootWait() {
    if (boot_wait_.joinable()) boot_wait_.join();
}

void PageWorkers::StartBootWait(std::function<void()> work) {
    JoinBootWait();
    boot_wait_ = std::thread(std::move(work));
}

void PageWorkers::StopLinkForGood(BootLink& link) {
    link.ShutDown();
    power_poller.Stop();
}

void PageWorkers::End(WizardState& state, BootLink* link) {
    state.BootWaitStop = 1;
    if (link != nullptr) link->Stop();
    power_poller.Stop();
    JoinBootWait();
    if (progress_worker_.joinable()) progress_worker_.join();
}

}  // namespace orvo::pages
