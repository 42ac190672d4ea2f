#pragma once
// The settings window's small decisions, apart from the calls that carry them out: what a mouse message on
// the notification icon does, which messages other processes may send it, what timer 11 does, whether "Show"
// may run, and what a log-off does.
#include "mainwindow/SettingsLayout.h"
#include "shell/DisplayScale.h"

#include <vector>

// Notification icon: the callback message, the icon's id, and the mouse messages it reacts to.
constexpr unsigned kTrayCallbackMessage = 1124;  // 0x464
constexpr unsigned kTrayIconId = 1219;           // 0x4C3
constexpr unsigned kTrayLeftUp = 0x202;
constexpr unsigned kTrayLeftDoubleClick = 0x203;
constexpr unsigned kTrayRightUp = 0x205;

// Timers of the settings window and their periods.
enum MainTimer : unsigned {
    kFirstPaintTimer = 1,    // the first paint once the window is visible
    kPickerWatchTimer = 3,   // watches a picker opened from the settings view, while one is shown
    kStartHiddenTimer = 11,  // hides the window after "/hide"
    kForegroundTimer = 111,  // makes the hidden window the foreground window
    kTrayMenuTimer = 202,    // opens the notification menu (periods: OnTrayMouseMessage)
    kWarmUpTimer = 401,      // the first uses' work done ahead, a step a tick, after start-up
};
constexpr unsigned kFirstPaintTimerMs = 2;
constexpr unsigned kPickerWatchTimerMs = 100;
constexpr unsigned kStartHiddenTimerMs = 100;
constexpr unsigned kForegroundAfterHiddenStartMs = 800;
constexpr unsigned kForegroundAfterHidingMs = 300;  // the Close button, a group function
constexpr unsigned kMenuAfterLeftClickMs = 500;     // time for a double click to come instead
constexpr unsigned kMenuAfterRightClickMs = 10;
constexpr unsigned kWarmUpFirstMs = 1500;  // after the first paint and the start-up's own work
constexpr unsigned kWarmUpStepMs = 50;

struct TrayReaction {
    unsigned menuTimerMs = 0;     // start timer 202 with this period; 0 = do not start it
    bool stopMenuTimer = false;   // stop timer 202
    bool restoreWindow = false;   // SW_RESTORE, bring to top, foreground, repaint
};

// A left click opens the menu after half a second unless a double click follows: the double click restores
// the window instead and swallows the release that ends it. A right click opens the menu at once.
// `trayDoubleClicked` is the process's TrayDoubleClicked flag.
TrayReaction OnTrayMouseMessage(unsigned mouseMessage, int& trayDoubleClicked);

// The program asks for uiAccess, so it runs above medium integrity, and Windows drops the messages that a process
// of lower integrity sends to its windows. Explorer is one: the icon's callback message and "TaskbarCreated"
// (a restarted Explorer asks for the icons again) must reach the window that owns the icon, and nothing
// else may (the test builds' WM_COPYDATA least of all). `taskbarCreated` is the registered message's number;
// a number outside the registered range (0 when the registration failed) is not admitted.
std::vector<unsigned> ShellMessagesToAdmit(unsigned taskbarCreated);

struct StartHiddenStep {
    bool stopTimer = false;   // stop timer 11
    bool hideWindow = false;  // SW_HIDE, clear StartHidden, then timer 111 with 800 ms
};

// One tick of timer 11: nothing until the window has become visible, then hide it once.
StartHiddenStep OnStartHiddenTick(int startHidden, bool windowVisible);

// "Show" (32771) runs only while the window is not visible; a minimised window counts as visible.
inline bool ShowCommandEnabled(bool windowVisible) { return !windowVisible; }

// Log-off and shut-down. Windows asks every window whether the session may end (WM_QUERYENDSESSION), then
// tells it the outcome (WM_ENDSESSION, TRUE: it ends). Once the program's windows have answered the second,
// Windows may end the process at any moment, so the whole stop happens inside that message: Exit's stop
// (the mice to mode 0 and the reset pass, on the event watch), then the program's own stop and the process's
// end. Windows gives a window about five seconds before it offers the user to end the program itself.
enum class SessionMessage {
    Query,      // WM_QUERYENDSESSION
    Ending,     // WM_ENDSESSION with TRUE
    Cancelled,  // WM_ENDSESSION with FALSE: someone refused, the session goes on
};

struct SessionStep {
    bool allowEnd = false;     // answer TRUE: a log-off is never held up
    bool requestStop = false;  // ask the event watch for Exit's stop
    bool endProgram = false;   // wait for the event watch's device work, stop every part, end the process
};

// `stopUnderWay`: Exit or "/close" asked for the stop already (StopUnderWay), whose device work is then under
// way or done and is not asked for again. `alreadyEnding`: this is a second WM_ENDSESSION that reached the
// window while the first one stops the program.
SessionStep OnSessionMessage(SessionMessage message, bool stopUnderWay, bool alreadyEnding);

// The whole stop inside WM_ENDSESSION stays within kSessionEndBoundMs, well inside Windows' five seconds. Of
// it, the wait for the event watch's device work takes at most kSessionEndDeviceWorkMs: that work gives its
// mode-0 probes at most 2 s before the reset pass, and a pass stuck in a driver call must not hold the log-off
// up. The rest is for the program's own stop, whose workers answer the stop at once.
constexpr unsigned kSessionEndBoundMs = 3000;
constexpr unsigned kSessionEndDeviceWorkMs = 2500;
static_assert(kSessionEndDeviceWorkMs < kSessionEndBoundMs && kSessionEndBoundMs < 5000,
              "the device work leaves time for the program's own stop, all inside Windows' five seconds");

// What is left of kSessionEndBoundMs `elapsedMs` after WM_ENDSESSION came: the most the last device probes
// are waited for before the process ends (0 once the bound has passed).
unsigned SessionEndTimeLeft(unsigned elapsedMs);

// The window moved to a monitor of another DPI, or that monitor's DPI changed (WM_DPICHANGED). The window draws
// itself at the new scale: a new picture, shape and layout. Windows suggests where the window goes; its size is
// the picture's at the new scale (which the window also answers to WM_GETDPISCALEDSIZE, so on Windows the two
// agree; a size rounded another way would cut the shape off or leave a strip of nothing).
struct SettingsDpiStep {
    bool rescale = false;  // the scale changed: picture, shape, fonts and layout anew, and a whole repaint
    DisplayScale scale;    // the scale from now on
    bool place = false;    // SetWindowPos to `rect` (no z-order change, no activation)
    PixelRect rect;
    // Minimised: the size the window gets back when it is restored (its restored place keeps its top left).
    bool resizeRestored = false;
    PixelSize restoredSize;
};

// `newDpi`: the DPI WM_DPICHANGED's wParam carries (Windows sends the same one twice; Wine keeps reporting its
// own DPI to GetDpiForWindow, so the message's is the one to believe). `suggested`: its rectangle. A minimised
// window is not placed (the system keeps where it comes back), but comes back at the new size; a DPI that is
// no DPI changes nothing.
SettingsDpiStep OnSettingsDpiChanged(const DisplayScale& current, int newDpi, const PixelRect& suggested,
                                     bool minimised);
