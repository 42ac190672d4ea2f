#include "app/CloseWatch_win.h"

#include "app/SingleInstance_win.h"
#include "device/DeviceLink_win.h"
#include "shell/ProcessState.h"
#include "toolkit/Dialog_win.h"
#include "toolkit/Trace_win.h"
#include "toolkit/UiThread_win.h"

#include <atomic>

namespace {

// The close watch's device work and its pause normally end within about three seconds.
constexpr DWORD kThreadJoinMs = 3000;
// After the mice are reset, the last probes get a moment before the window goes.
constexpr DWORD kPauseBeforeEndMs = 400;

// Set (never pulsed) by Exit; lives until the process ends.
HANDLE ExitRequestEvent() {
    static const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return event;
}

// Set (never reset) once the device work is over; lives until the process ends.
HANDLE DeviceWorkDoneEvent() {
    static const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return event;
}

// The log-off stopped waiting for the device work: the thread is not waited for again at the stop.
std::atomic<bool> GivenUpOn{false};

bool IsSet(HANDLE event) { return event && WaitForSingleObject(event, 0) == WAIT_OBJECT_0; }

// `closeEvent` is pulsed by "/close" and by others of the family; `closeRequest` is set beside each pulse
// and kept until this wait takes it, which is what a "/close" made before the wait counts on.
void CloseWatchThread(HANDLE closeEvent, HANDLE closeRequest, HWND settings) {
#if defined(ORVEL_TEST_HOOKS)
    // A thread that comes to its wait late, as on a loaded machine: a close request made meanwhile must not be
    // lost.
    if (unsigned ms = TestSwitchMs(L"ORVEL_TEST_CLOSE_WATCH_LATE_MS")) PauseUnlessStopped(ms);
#endif
    // The stop comes last: when a request came with it, the wait reports the request.
    HANDLE waitFor[4];
    DWORD count = 0;
    for (HANDLE event : {closeEvent, closeRequest, ExitRequestEvent(), StopEvent()}) {
        if (event) waitFor[count++] = event;
    }
    ORVEL_TRACE("close-watch waiting");
    const DWORD woken = WaitForMultipleObjects(count, waitFor, FALSE, INFINITE);
    const HANDLE by = woken < WAIT_OBJECT_0 + count ? waitFor[woken - WAIT_OBJECT_0] : nullptr;
    const bool exitRequested = IsSet(ExitRequestEvent());
    // The stop alone (the program ended another way) needs no device work; a request that came with it does.
    if (!by || (by == StopEvent() && !exitRequested)) return;
    ORVEL_TRACE("close-watch wake by=%s", by == closeEvent ? "pulse" : by == closeRequest ? "request" : "exit");
    DeviceMode = 0;
    AdvanceStop(ProgramStop, StopPhase::Requested);
    // Mode 0 to every supported mouse, then the reset pass for the families that need one.
    CloseWatchDeviceWork();
    if (HANDLE done = DeviceWorkDoneEvent()) SetEvent(done);
    PauseUnlessStopped(kPauseBeforeEndMs);
    // The settings window is found by its handle when the work runs: it may have gone another way meanwhile.
    bool posted = UiThread::Post([settings] {
        if (Dialog* window = Dialog::From<Dialog>(settings)) window->EndDialog(IDCANCEL);
    });
    ORVEL_TRACE("close-watch done %s", posted ? "end-posted" : "window-gone");
    (void)posted;
}

}  // namespace

void CloseWatch::Start(HWND owner) {
    // Made on the UI thread before the thread can ask for them.
    ExitRequestEvent();
    DeviceWorkDoneEvent();
    HANDLE closeEvent = closeEvent_;
    HANDLE closeRequest = closeRequest_;
    thread_.Start("close-watch",
                  [closeEvent, closeRequest, owner] { CloseWatchThread(closeEvent, closeRequest, owner); });
}

bool CloseWatch::Stop() noexcept {
    if (thread_.Join(GivenUpOn ? 0 : kThreadJoinMs)) return true;
    ORVEL_TRACE("close-watch left running");
    return false;
}

void RequestClose(HANDLE closeEvent) {
    DeviceMode = 0;
    AdvanceStop(ProgramStop, StopPhase::Requested);
    if (HANDLE request = ExitRequestEvent()) SetEvent(request);
    // Others may be waiting on the named event too (the program's own watch is one of them).
    if (closeEvent) PulseEvent(closeEvent);
}

bool WaitForCloseWatchDeviceWork(DWORD timeoutMs) {
    HANDLE done = DeviceWorkDoneEvent();
    const bool over = done && WaitForSingleObject(done, timeoutMs) == WAIT_OBJECT_0;
    if (!over) GivenUpOn = true;
    return over;
}
