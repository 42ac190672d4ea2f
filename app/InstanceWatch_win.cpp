#include "app/InstanceWatch_win.h"

#include "shell/ProcessState.h"
#include "toolkit/UiThread_win.h"

namespace {

// The settings window's steps when another start asks for it, each on the UI thread, with the pauses between
// them on this thread (a stop cuts the rest short).
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

void InstanceWatchThread(HANDLE instanceEvent, HWND settings) {
    for (;;) {
        Wake wake = WaitForEventOrStop(instanceEvent);
        if (wake == Wake::Stop || StopUnderWay()) return;
        for (const ShowStep& step : kShowSteps) {
            if (!PauseUnlessStopped(step.pauseBeforeMs)) break;
            UiThread::Post([run = step.run, settings] {
                if (IsWindow(settings)) run(settings);
            });
        }
    }
}

}  // namespace

void InstanceWatch::Start(HWND owner) {
    // The event is created before any window and stays open until every thread has ended.
    HANDLE instanceEvent = instanceEvent_;
    thread_.Start("instance-watch", [instanceEvent, owner] { InstanceWatchThread(instanceEvent, owner); });
}

bool InstanceWatch::Stop() noexcept { return thread_.Join(kWorkerJoinMs); }
