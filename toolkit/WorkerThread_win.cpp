#include "toolkit/WorkerThread_win.h"

#include "toolkit/Trace_win.h"

#include <memory>
#include <new>

HANDLE StopEvent() noexcept {
    // Made on first use by the UI thread's start-up, before any worker exists; never closed.
    static const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return event;
}

void SignalStop() noexcept {
    if (HANDLE event = StopEvent()) SetEvent(event);
}

bool StopSignalled() noexcept {
    HANDLE event = StopEvent();
    return event && WaitForSingleObject(event, 0) == WAIT_OBJECT_0;
}

Wake WaitForEventOrStop(HANDLE event, DWORD timeoutMs) noexcept {
    HANDLE stop = StopEvent();
    HANDLE both[2] = {};
    DWORD count = 0;
    if (event) both[count++] = event;
    if (stop) both[count++] = stop;
    if (count == 0) {
        Sleep(timeoutMs == INFINITE ? 0 : timeoutMs);
        return Wake::Timeout;
    }
    DWORD r = WaitForMultipleObjects(count, both, FALSE, timeoutMs);
    if (r == WAIT_TIMEOUT) return Wake::Timeout;
    if (r >= WAIT_OBJECT_0 && r < WAIT_OBJECT_0 + count) return both[r - WAIT_OBJECT_0] == stop ? Wake::Stop : Wake::Event;
    // A failed wait (a handle that is not valid) must not turn a waiting loop into a spinning one.
    return Wake::Stop;
}

bool PauseUnlessStopped(DWORD milliseconds) noexcept {
    HANDLE stop = StopEvent();
    if (!stop) {
        Sleep(milliseconds);
        return true;
    }
    return WaitForSingleObject(stop, milliseconds) == WAIT_TIMEOUT;
}

namespace {

struct ThreadStart {
    const char* name;
    std::function<void()> body;
};

DWORD WINAPI ThreadEntry(void* parameter) {
    std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(parameter));
    start->body();
    ORVEL_TRACE("worker-end %s", start->name);
    return 0;
}

}  // namespace

bool WorkerThread::Start(const char* name, std::function<void()> body) {
    Join(0);
    std::unique_ptr<ThreadStart> start(new (std::nothrow) ThreadStart{name, std::move(body)});
    if (!start) return false;
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, ThreadEntry, start.get(), 0, &id);
    if (!thread) return false;
    start.release();  // the thread owns it now
    handle_.Reset(thread);
    id_ = id;
    return true;
}

bool WorkerThread::Join(DWORD timeoutMs) noexcept {
    if (!handle_) return true;
    if (WaitForSingleObject(handle_.Get(), timeoutMs) != WAIT_OBJECT_0) return false;
    handle_.Reset();
    return true;
}
