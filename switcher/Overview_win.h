#pragma once
// One overview, from the user's request until the chosen window (or the one that was in front before) is
// active again, on a thread of its own: it lists the windows, photographs and dims the desktop of the
// monitor under the pointer and every other monitor, has the UI thread show the switcher and the panels,
// lays the thumbnails out (live DWM thumbnails, or captured pictures for every window that has none), waits
// for the user's pick, has the UI thread hide everything and hands the foreground over.
//
// Threads: the overview thread holds no pointer to a window object. Its window work goes to the UI thread
// through UiThread::Post, and it waits for that work only together with the program's stop. Its calls on
// other programs' windows never wait for them (see WindowList_win.h).
#include <windows.h>

#include <array>
#include <memory>
#include <vector>

#include "switcher/ExposeState.h"
#include "toolkit/Handle_win.h"

// What an overview needs to know of the switcher, as values taken on the UI thread when it is requested,
// and the switcher's state, which the overview thread shares with it (what both touch in it are atomics).
struct OverviewStart {
    HWND switcher = nullptr;
    std::array<HWND, kMaxOtherMonitors> panels{};
    DWORD uiThread = 0;
    std::shared_ptr<ExposeState> state;
};

// One dimmed picture of another monitor, for the panel over it.
struct PanelPicture {
    RECT monitor;
    UniqueBitmap picture;
};

// The overview's steps on the UI thread, which the overview thread posts: what the switcher's window does
// for it. The thread finds the window by its handle when the work runs (OverviewStart::switcher).
class OverviewHost {
public:
    // The dimmed desktop (taken over) and one dimmed picture per other monitor: the switcher over
    // `monitor`, the panels over theirs.
    virtual void ShowOverview(UniqueBitmap background, const RECT& monitor, std::vector<PanelPicture> panels) = 0;
    // The layout is complete: input is taken from now on, the first thumbnail is highlighted.
    virtual void OverviewReady() = 0;
    // The user picked or cancelled: everything is hidden and the pictures are let go. Again, it does nothing.
    virtual void HideOverview() = 0;

protected:
    ~OverviewHost() = default;
};

// The overview thread's body.
void RunOverviewThread(const OverviewStart& start);

// The UI thread's answers to the overview thread: the switcher is shown, hidden. Auto-reset; set only by
// the work the overview posted. Live until the process ends.
HANDLE OverviewShownEvent();
HANDLE OverviewHiddenEvent();
// Set when the user has picked or cancelled (manual reset; the overview resets it before the switcher shows).
HANDLE OverviewDoneEvent();

// True when live thumbnails can be had: "dwmapi.dll" with all five entry points, and composition on.
bool CompositionOn();

// The first pictures for an overview without composition, at start-up (on a worker): every window listed
// now is captured, so that one minimised later still shows.
void CaptureAtStartUp(HWND switcher, DWORD uiThread);
