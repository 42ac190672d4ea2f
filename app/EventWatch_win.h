#pragma once
// The event watch: one thread that waits for the named events other programs set.
//
// Another start of the program pulses "qvmouseeventtouch": the watch shows the settings window, in steps on the
// UI thread with pauses between them here.
//
// A close request ("qvmouseeventtouch_close", pulsed by a start with "/close" and by an uninstaller, together
// with our own close request, which such a start sets and which stays set until the watch takes it; or the
// notification menu's Exit, or a log-off): the watch gives the mice back their own button meaning and ends the
// settings window through the UI thread (a log-off ends it itself, once the device work is over). A close is
// taken once: a request that comes while the watch is not waiting (showing the window for another start, or
// not yet at its wait) is kept, one that comes during the stop changes nothing. The trace lines of the close
// start with "close-watch".
//
// The close's device work runs on the device worker and is waited for with a bound; should the thread still
// outlive its own bound at shutdown, it touches only what lives until the process ends: the shared atomics,
// the device prober, the events and the UI thread's work queue. The button order the reset pass tells is read
// when the pass runs (DeviceButtonOrder), so a Default pressed since the start counts.
//
// One thread instead of one per event: under Wine every idle thread holds about a megabyte.
#include "toolkit/Subsystem_win.h"
#include "toolkit/WorkerThread_win.h"

class EventWatch final : public Subsystem {
public:
    // The events stay open as long as any thread may wait on them; `instanceEvent` and `closeRequest` may be
    // null.
    EventWatch(HANDLE instanceEvent, HANDLE closeEvent, HANDLE closeRequest)
        : instanceEvent_(instanceEvent), closeEvent_(closeEvent), closeRequest_(closeRequest) {}
    void Start(HWND owner) override;
    bool Stop() noexcept override;

private:
    HANDLE instanceEvent_;
    HANDLE closeEvent_;
    HANDLE closeRequest_;
    WorkerThread thread_;
};

// Exit from the notification menu: the same stop as "/close", asked from inside the program. Unlike the
// named event's pulse, the request is kept until the event watch takes it, so it cannot be lost.
// `closeEvent` is "qvmouseeventtouch_close", which others may watch too.
void RequestClose(HANDLE closeEvent);

// Log-off: waits until the close's device work (mode 0 and the reset pass) is over, at most `timeoutMs`; true
// when it is. When it is not, the stop that follows gives the thread no more time: the log-off has none left
// to give, and the thread is left to run (it touches only what lives until the end).
bool WaitForCloseWatchDeviceWork(DWORD timeoutMs);
