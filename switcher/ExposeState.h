#pragma once
// The window switcher's shared record. Threads: `busy` is set by the dispatcher on the UI thread before an
// overview starts and cleared by the overview when it is up; both read it.
#include <atomic>

struct ExposeState {
    std::atomic<int> busy{0};  // 1 while an overview is being started: further requests do nothing
};

extern ExposeState Expose;
