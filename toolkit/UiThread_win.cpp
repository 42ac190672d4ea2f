#include "toolkit/UiThread_win.h"

#include "toolkit/Scopes_win.h"
#include "toolkit/Trace_win.h"

#include <windows.h>

#include <exception>
#include <utility>
#include <vector>

namespace {

constexpr UINT kRunWorkMessage = WM_APP + 1;
constexpr wchar_t kWindowClass[] = L"OrvelUiWork";

// Lives until the process ends: a worker that was given up on at shutdown may still post.
struct WorkQueue {
    SRWLOCK lock = SRWLOCK_INIT;
    // A vector: an empty one is made and swapped without allocating, so taking a batch cannot fail.
    std::vector<std::function<void()>> pending;
    HWND target = nullptr;   // under `lock`; null while closed
    bool announced = false;  // under `lock`; a message for the pending batch is on its way
};

WorkQueue& Queue() {
    static WorkQueue* const queue = new WorkQueue;
    return *queue;
}

std::vector<std::function<void()>> TakePending() {
    WorkQueue& queue = Queue();
    std::vector<std::function<void()>> work;
    {
        SrwExclusive lock(queue.lock);
        work.swap(queue.pending);
        queue.announced = false;
    }
    return work;
}

LRESULT CALLBACK WorkWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message != kRunWorkMessage) return DefWindowProcW(hwnd, message, wParam, lParam);
    // Everything queued so far runs in one go; one message stands for the whole batch. Work that throws (runs
    // out of memory, say) is abandoned alone: the rest of the batch runs, and nothing crosses the system's
    // frames below this noexcept procedure.
    for (std::function<void()>& work : TakePending()) {
        try {
            if (work) work();
        } catch (const std::exception& e) {
            ORVEL_TRACE("operation-failed window=%s message=0x%04x what=%s", "OrvelUiWork", message, e.what());
        } catch (...) {
            ORVEL_TRACE("operation-failed window=%s message=0x%04x what=unknown", "OrvelUiWork", message);
        }
    }
    return 0;
}

}  // namespace

namespace UiThread {

bool Open() noexcept {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WorkWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassW(&windowClass);  // fails harmlessly when registered already
    HWND hwnd = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    if (!hwnd) return false;
    WorkQueue& queue = Queue();
    SrwExclusive lock(queue.lock);
    queue.target = hwnd;
    return true;
}

void Close() noexcept {
    WorkQueue& queue = Queue();
    HWND hwnd = nullptr;
    {
        SrwExclusive lock(queue.lock);
        hwnd = std::exchange(queue.target, nullptr);
    }
    TakePending();  // dropped: the windows they were meant for are going
    if (hwnd) DestroyWindow(hwnd);
}

bool Post(std::function<void()> work) noexcept {
    WorkQueue& queue = Queue();
    bool queued = false;
    bool wake = false;
    HWND target = nullptr;
    {
        SrwExclusive lock(queue.lock);
        if (queue.target) {
            try {
                queue.pending.push_back(std::move(work));
                queued = true;
                wake = !queue.announced;  // a batch already announced will pick this up too
                queue.announced = true;
                target = queue.target;
            } catch (...) {
            }
        }
    }
    // Posting never waits for the UI thread. A post to a window destroyed meanwhile fails harmlessly; a post
    // refused for another reason (a full queue) leaves the batch to the next one.
    if (wake && !PostMessageW(target, kRunWorkMessage, 0, 0)) {
        SrwExclusive lock(queue.lock);
        queue.announced = false;
    }
    return queued;
}

}  // namespace UiThread
