#include "tilt/TiltScroll_win.h"

#include "shell/ProcessState.h"

HANDLE TiltEvent = nullptr;

DWORD WINAPI TiltScrollThread(void*) {
    if (!TiltEvent) return 0;  // without its event nothing could wake it
    for (;;) {
        if (StopFlag != 0) return 0;
        WaitForSingleObject(TiltEvent, INFINITE);
        if (StopFlag != 0) return 0;
        // One action per wake-up, however many steps arrived; the per-application scrolling that acts on
        // the direction comes with the scrolling rules.
        int32_t steps = TiltSteps.exchange(0);
        (void)steps;
    }
}
