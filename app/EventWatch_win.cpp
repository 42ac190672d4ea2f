#include "app/EventWatch_win.h"

#include "app/SingleInstance_win.h"
#include "device/DeviceLink_win.h"
#include "shell/ProcessState.h"
#include "toolkit/Dialog_win.h"
#include "toolkit/Trace_win.h"
#include "toolkit/UiThread_win.h"

#include <atomic>

namespace {

// The close's device work and its pause normally end within about three seconds.
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

// The settings window's steps when another start asks for it, each on the UI thread, with the pauses before
// them on the watch (a close or the stop cuts the rest short).
struct ShowStep {
    DWORD pauseBeforeMs;
    void (*run)(HWND window);
};
const ShowStep kShowSteps[] = {
    {100, [](HWND w) { ShowWindow(w, SW_SHOWNORMAL); }},
    {100, [](HWND w) { SetForegroundWindow(w); }},
    {100, [](HWND w) { BringWindowToTop(w); }},
    {300, [](HWND w) { InvalidateRect(w, nullptr, FALSE); }},
};
constexpr size_t kNoShow = sizeof kShowSteps / sizeof kShowSteps[0];

// The close: mode 0 and the reset pass on the device worker, then the settings window ended.
void RunClose([[maybe_unused]] const char* wokenBy, HWND settings) {
    ORVEL_TRACE("close-watch wake by=%s", wokenBy);
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

// `closeEvent` is pulsed by "/close" and by others of the family; `closeRequest` is set beside each pulse
// and kept until this wait takes it, which is what a "/close" made before the wait counts on. The instance
// event is pulsed by another start: one that comes while the window is being shown changes nothing.
void EventWatchThread(HANDLE instanceEvent, HANDLE closeEvent, HANDLE closeRequest, HWND settings) {
#if defined(ORVEL_TEST_HOOKS)
    // A thread that comes to its wait late, as on a loaded machine: a close request made meanwhile must not be
    // lost.
    if (unsigned ms = TestSwitchMs(L"ORVEL_TEST_CLOSE_WATCH_LATE_MS")) PauseUnlessStopped(ms);
#endif
    // When several are set at once the wait reports the first: a close comes before a show, and the stop
    // comes last, so that a request that came with it is still taken.
    HANDLE waitFor[5];
    DWORD count = 0;
    for (HANDLE event : {closeEvent, closeRequest, ExitRequestEvent(), instanceEvent, StopEvent()}) {
        if (event) waitFor[count++] = event;
    }
    ORVEL_TRACE("close-watch waiting");
    size_t nextStep = kNoShow;
    DWORD stepDue = 0;
    for (;;) {
        DWORD timeoutMs = INFINITE;
        if (nextStep != kNoShow) {
            const LONG left = LONG(stepDue - GetTickCount());
            timeoutMs = left > 0 ? DWORD(left) : 0;
        }
        const DWORD woken = WaitForMultipleObjects(count, waitFor, FALSE, timeoutMs);
        if (woken == WAIT_TIMEOUT) {
            UiThread::Post([run = kShowSteps[nextStep].run, settings] {
                if (IsWindow(settings)) run(settings);
            });
            if (++nextStep != kNoShow) stepDue = GetTickCount() + kShowSteps[nextStep].pauseBeforeMs;
            continue;
        }
        const HANDLE by = woken < WAIT_OBJECT_0 + count ? waitFor[woken - WAIT_OBJECT_0] : nullptr;
        if (!by) return;
        if (by == instanceEvent) {
            // A pulse resets itself, so going back to the wait cannot spin.
            if (nextStep == kNoShow && !StopUnderWay()) {
                nextStep = 0;
                stepDue = GetTickCount() + kShowSteps[0].pauseBeforeMs;
            }
            continue;
        }
        // The stop alone (the program ended another way) needs no device work; a request that came with it does.
        if (by == StopEvent() && !IsSet(ExitRequestEvent())) return;
        RunClose(by == closeEvent ? "pulse" : by == closeRequest ? "request" : "exit", settings);
        return;
    }
}

}  // namespace

void EventWatch::Start(HWND owner) {
    // Made on the UI thread before the thread can ask for them.
    ExitRequestEvent();
    DeviceWorkDoneEvent();
    thread_.Start("event-watch", [instance = instanceEvent_, close = closeEvent_, request = closeRequest_, owner] {
        EventWatchThread(instance, close, request, owner);
    });
}

bool EventWatch::Stop() noexcept {
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
