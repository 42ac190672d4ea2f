#include "toolkit/BackgroundJob_win.h"

#include <utility>

BackgroundJob::~BackgroundJob() { WaitForThread(); }

void BackgroundJob::Start(std::function<void()> job) {
    if (started_) return;
    started_ = true;
    job_ = std::move(job);
    thread_.Reset(CreateThread(
        nullptr, 0,
        [](void* self) WINAPI -> DWORD {
            auto* owner = static_cast<BackgroundJob*>(self);
            try {
                owner->job_();
            } catch (...) {
                owner->failure_ = std::current_exception();
            }
            return 0;
        },
        this, 0, nullptr));
    if (!thread_) job_();  // no thread to be had: the work is done before the caller goes on, as it would be without us
}

void BackgroundJob::Join() {
    WaitForThread();
    if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
}

void BackgroundJob::WaitForThread() noexcept {
    if (!thread_) return;
    WaitForSingleObject(thread_.Get(), INFINITE);
    thread_.Reset();
}
