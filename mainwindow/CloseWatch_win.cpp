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
HANDLE CloseRequestEvent() {
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

void CloseWatchThread(HANDLE closeEvent, int buttonOrder) {
#if defined(ORVEL_TEST_HOOKS)
    // A thread that comes to its wait late, as on a loaded machine: a close request made meanwhile must not be
    // lost.
    if (unsigned ms = TestSwitchMs(L"ORVEL_TEST_CLOSE_WATCH_LATE_MS")) PauseUnlessStopped(ms);
#endif
    HANDLE waitFor[3];
    DWORD count = 0;
    for (HANDLE event : {closeEvent, CloseRequestEvent(), StopEvent()}) {
        if (event) waitFor[count++] = event;
    }
    ORVEL_TRACE("close-watch waiting");
    const DWORD woken = WaitForMultipleObjects(count, waitFor, FALSE, INFINITE);
    const bool pulsed = closeEvent && woken == WAIT_OBJECT_0 && waitFor[0] == closeEvent;
    // The stop alone (the program ended another way) needs no device work; a request that came with it does.
    if (!pulsed && !IsSet(CloseRequestEvent())) return;
    ORVEL_TRACE("close-watch wake");
    DeviceMode = 0;
    if (StopFlag == 0) StopFlag = 1;
    // Mode 0 to every supported mouse, then the reset pass for the families that need one.
    CloseWatchDeviceWork(buttonOrder);
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
    CloseRequestEvent();
    DeviceWorkDoneEvent();
    HANDLE closeEvent = CloseEvent;
    int order = buttonOrder_;
    thread_.Start("close-watch", [closeEvent, order] { CloseWatchThread(closeEvent, order); });
}

bool CloseWatch::Stop() noexcept {
    if (thread_.Join(GivenUpOn ? 0 : kThreadJoinMs)) return true;
    ORVEL_TRACE("close-watch left running");
    return false;
}

void RequestClose() {
    DeviceMode = 0;
    StopFlag = 1;
    if (HANDLE request = CloseRequestEvent()) SetEvent(request);
    // Others may be waiting on the named event too (the program's own watch is one of them).
    if (CloseEvent) PulseEvent(CloseEvent);
}

bool WaitForCloseWatchDeviceWork(DWORD timeoutMs) {
    HANDLE done = DeviceWorkDoneEvent();
    const bool over = done && WaitForSingleObject(done, timeoutMs) == WAIT_OBJECT_0;
    if (!over) GivenUpOn = true;
    return over;
}
