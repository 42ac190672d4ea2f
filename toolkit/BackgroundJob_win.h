#pragma once
// A piece of start-up work run on a thread of its own while its owner goes on with other work, then waited
// for: what the first frame needs and the window's creation does not (the creation waits on the display
// server for most of its time, so the second core is free).
//
// Threads: owned by the thread that starts it. The job may use what its owner handed it until Join returns;
// from then on only the owner does. A thread of the system's own: the job needs nothing of the program's
// workers (no stop, no trace of its end) and ends by itself within milliseconds, so waiting for it cannot
// hang.
#include "toolkit/Handle_win.h"

#include <exception>
#include <functional>

class BackgroundJob {
public:
    BackgroundJob() = default;
    ~BackgroundJob();  // waits for the job; an exception it ended with is dropped
    BackgroundJob(const BackgroundJob&) = delete;
    BackgroundJob& operator=(const BackgroundJob&) = delete;

    // Starts `job`, unless a job was started before. Without a thread the job runs here and now (and what it
    // throws comes out of here).
    void Start(std::function<void()> job);
    // Waits for the job to end, then throws what it ended with, if anything (once). At once when no job runs.
    void Join();

private:
    void WaitForThread() noexcept;

    bool started_ = false;
    std::function<void()> job_;
    std::exception_ptr failure_;  // written by the job's thread until it ends
    UniqueKernelHandle thread_;
};
