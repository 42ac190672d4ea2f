#pragma once
// Which windows an overview shows, and in which order, and which other monitors it dims. The decisions read
// the desktop through WindowTree (the system's in WindowList_win.cpp, a simulated tree in the tests).
#include "switcher/ExposeState.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

constexpr std::uint32_t kToolWindowStyle = 0x80;  // WS_EX_TOOLWINDOW
constexpr int kWindowTextChars = 99;              // class names and titles are read into 100-character buffers
// The title the switcher gives its own window; a visible window of this title is a switcher left over.
extern const wchar_t kSwitcherTitle[];

// The top-level windows as the filter sees them.
class WindowTree {
public:
    virtual ~WindowTree() = default;
    // Every top-level window in Z-order, topmost first; the walk never stops early.
    virtual void VisitTopLevel(const std::function<void(WindowId)>& visit) = 0;
    virtual std::uint32_t ExStyle(WindowId window) = 0;
    virtual bool Visible(WindowId window) = 0;
    virtual WindowId Desktop() = 0;
    // At most kWindowTextChars characters, cut as the system cuts them.
    virtual std::wstring ClassName(WindowId window) = 0;
    virtual std::wstring Title(WindowId window) = 0;
    // Puts a window away without waiting for its thread (it may be hung).
    virtual void Hide(WindowId window) = 0;
    // The first top-level window of the class (no title given); 0 when there is none.
    virtual WindowId FindTopLevel(const wchar_t* className) = 0;
    virtual WindowId Owner(WindowId window) = 0;
    virtual bool Iconic(WindowId window) = 0;
    // Right minus left of the window's outer rectangle.
    virtual int Width(WindowId window) = 0;
};

// Rebuilds `windows` and `windowCount` from the desktop, skipping `state.switcherWindow`: at most
// kMaxListedWindows, further ones dropped. A visible window titled like the switcher is hidden.
void CollectWindows(WindowTree& tree, ExposeState& state);

// Every monitor but the one under the pointer, in the system's order; those beyond kMaxOtherMonitors are
// ignored (there are only that many dimming panels).
void CollectOtherMonitors(const std::vector<WindowId>& monitors, WindowId pointerMonitor, ExposeState& state);

// After the displays changed: whether an overview shown over `shownOn`, with its panels over `dimmed`, must
// end (as if cancelled) now that the monitors are `monitorsNow` (full rectangles, in the system's order). It
// ends when its monitor is gone or has another rectangle, or when the other monitors are no longer those its
// panels cover: its dimmed desktop and its grid were made for the old ones. A change that leaves every
// rectangle as it was (a colour depth, the monitors' order) keeps it.
bool DisplayChangeEndsOverview(const SwitcherRect& shownOn, const std::vector<SwitcherRect>& dimmed,
                               const std::vector<SwitcherRect>& monitorsNow);

// WM_DPICHANGED on the switcher: its monitor now draws at `newDpi`. An overview on the screen (`shown`, not
// yet finished) that was laid out and drawn at `overviewDpi` ends as if cancelled, as a display change ends
// it: its grid, fonts and pictures belong to the old scale, and the next overview is made at the new one.
bool DpiChangeEndsOverview(bool shown, int overviewDpi, int newDpi);
