#include "tilt/TiltScroll_win.h"

#include "shell/Names.h"
#include "shell/ProcessState.h"
#include "toolkit/Trace_win.h"

HANDLE TiltEvent = nullptr;
HANDLE TiltNoticeEvent = nullptr;

namespace {

HANDLE CreateResetEvent(const wchar_t* name) {
    HANDLE event = CreateEventW(nullptr, TRUE, TRUE, name);
    if (event) ResetEvent(event);
    return event;
}

void TiltScrollThread(HANDLE tiltEvent) {
    for (;;) {
        if (WaitForEventOrStop(tiltEvent) == Wake::Stop || StopFlag != 0) return;
        // One action per wake-up, however many steps arrived; the per-application scrolling that acts on
        // the direction comes with the scrolling rules.
        int32_t steps = TiltSteps.exchange(0);
        ORVEL_TRACE("tilt-wake steps=%d", int(steps));
        (void)steps;
#if defined(ORVEL_TEST_HOOKS)
        // A wake-up whose work takes long, for the test that stops the program in the middle of one.
        if (unsigned ms = TestSwitchMs(L"ORVEL_TEST_TILT_WORK_MS")) {
            Sleep(ms);
            ORVEL_TRACE("tilt-work-done");
        }
#endif
    }
}

}  // namespace

void CreateTiltEvents() {
    TiltEvent = CreateResetEvent(kTiltEventName);
    TiltNoticeEvent = CreateResetEvent(kTiltNoticeEventName);
}

void CloseTiltEvents() {
    for (HANDLE* event : {&TiltEvent, &TiltNoticeEvent}) {
        if (*event) CloseHandle(*event);
        *event = nullptr;
    }
}

void TiltScrolling::Start() {
    // Without its event nothing could wake the thread.
    if (!TiltEvent) return;
    HANDLE tiltEvent = TiltEvent;
    thread_.Start("tilt", [tiltEvent] { TiltScrollThread(tiltEvent); });
}

bool TiltScrolling::Stop() noexcept { return thread_.Join(kWorkerJoinMs); }
