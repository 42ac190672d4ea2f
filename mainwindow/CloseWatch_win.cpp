#include "mainwindow/CloseWatch_win.h"

#include "device/DeviceLink_win.h"
#include "mainwindow/KestanAssistantDlg_win.h"
#include "mainwindow/ResidentProgram_win.h"
#include "shell/ProcessState.h"
#include "shell/SingleInstance_win.h"
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
void CloseWatchThread(HANDLE closeEvent, HANDLE closeRequest) {
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
    if (StopFlag == 0) StopFlag = 1;
    // Mode 0 to every supported mouse, then the reset pass for the families that need one.
    CloseWatchDeviceWork();
    if (HANDLE done = DeviceWorkDoneEvent()) SetEvent(done);
    PauseUnlessStopped(kPauseBeforeEndMs);
    bool posted = UiThread::Post([] {
        if (MainWindow) MainWindow->EndDialog(IDCANCEL);
    });
    ORVEL_TRACE("close-watch done %s", posted ? "end-posted" : "window-gone");
    (void)posted;
}

}  // namespace

void CloseWatch::Start() {
    // Made on the UI thread before the thread can ask for them.
    ExitRequestEvent();
    DeviceWorkDoneEvent();
    HANDLE closeEvent = CloseEvent;
    HANDLE closeRequest = CloseRequestEvent;
    thread_.Start("close-watch", [closeEvent, closeRequest] { CloseWatchThread(closeEvent, closeRequest); });
}

bool CloseWatch::Stop() noexcept {
    if (thread_.Join(GivenUpOn ? 0 : kThreadJoinMs)) return true;
    ORVEL_TRACE("close-watch left running");
    return false;
}

void RequestClose() {
    DeviceMode = 0;
    StopFlag = 1;
    if (HANDLE request = ExitRequestEvent()) SetEvent(request);
    // Others may be waiting on the named event too (the program's own watch is one of them).
    if (CloseEvent) PulseEvent(CloseEvent);
}

bool WaitForCloseWatchDeviceWork(DWORD timeoutMs) {
    HANDLE done = DeviceWorkDoneEvent();
    const bool over = done && WaitForSingleObject(done, timeoutMs) == WAIT_OBJECT_0;
    if (!over) GivenUpOn = true;
    return over;
}
