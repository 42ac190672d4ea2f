#pragma once
// Work handed from a worker thread to the UI thread. A worker never calls into a window itself (such calls
// wait for the UI thread, and the window may be gone by then); it posts a small closure, and the UI thread
// runs it in its message loop, where every window of the program lives. A closure captures values only and
// looks windows up when it runs (through the program's window views, which the UI thread keeps current).
//
// Threads: Open and Close on the UI thread; Post from any thread, also while the program stops.
#include <functional>

namespace UiThread {

// Makes the receiving window; before any worker starts. False when it cannot be made (work is then dropped).
bool Open() noexcept;
// After the workers have ended or been given up on: nothing more runs; work posted later is dropped.
void Close() noexcept;
// Queues `work` for the UI thread. False (and the work dropped) when the UI thread no longer takes any.
bool Post(std::function<void()> work) noexcept;

}  // namespace UiThread
