#pragma once
// Worker threads and the program's stop signal.
//
// Every worker of the program keeps the same rules, so that none can outlive what it uses:
//   - it holds no pointer to an object that may be destroyed before it ends: it reads atomics and values
//     captured before it started, and kernel objects that live as long as any thread may wait on them;
//   - it hands window work to the UI thread with UiThread::Post instead of calling into windows itself;
//   - it waits on its own event together with the stop event, so stopping never depends on a pulse
//     arriving while somebody happens to wait.
#include "toolkit/Handle_win.h"

#include <functional>

// The stop event: manual reset, set once when the program begins to stop and never reset or pulsed, so a
// worker that looks late still sees it. Created on first use (before any worker starts) and never closed: a
// worker given up on at shutdown may still wait on it.
HANDLE StopEvent() noexcept;
void SignalStop() noexcept;
bool StopSignalled() noexcept;

enum class Wake { Event, Stop, Timeout };
// Waits until `event` is signalled or the program stops, at most `timeoutMs`. When both are signalled the
// event wins, so a request that came with the stop is still seen.
Wake WaitForEventOrStop(HANDLE event, DWORD timeoutMs = INFINITE) noexcept;
// A pause that ends early when the program stops. True when the whole pause passed.
bool PauseUnlessStopped(DWORD milliseconds) noexcept;

// How long the owner waits for a worker that was told to stop. Workers answer the stop at once; only one
// stuck in a system call (a driver) takes longer, and is then left to run.
constexpr DWORD kWorkerJoinMs = 2000;

// One worker thread. Move-only; the owner joins it when it stops its part of the program.
class WorkerThread {
public:
    WorkerThread() = default;
    ~WorkerThread() = default;  // a thread not joined is left to run; only our handle to it is closed
    WorkerThread(WorkerThread&&) noexcept = default;
    WorkerThread& operator=(WorkerThread&&) noexcept = default;

    // Runs `body` on a new thread. `name` (a literal) names it in test traces ("worker-end NAME").
    // False when no thread could be made.
    bool Start(const char* name, std::function<void()> body);
    // Waits up to `timeoutMs` for the thread to end. True when it has ended or was never started.
    bool Join(DWORD timeoutMs) noexcept;
    bool Started() const noexcept { return bool(handle_); }
    DWORD Id() const noexcept { return id_; }

private:
    UniqueKernelHandle handle_;
    DWORD id_ = 0;
};
