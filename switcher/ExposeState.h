#pragma once
// The window switcher's one shared record. An overview fills it on the overview thread and the switcher
// window reads and changes it on the UI thread while the user picks.
//
// Threads: the scalar fields are atomics. The per-window arrays are written only by the overview thread and
// only while `ready` is 0 (listing, layout, captures); the overview hands them to the UI thread by setting
// `ready` to 1 there (through work posted to the UI thread), and takes them back only after the UI thread has
// cleared `ready` and hidden the switcher. `currentRects` and `growOffsets` then belong to the UI thread until
// the overview ends. So the arrays need no lock: every reader on the UI thread looks at `ready` first.
#include <atomic>
#include <cstdint>

// A window (or monitor, or DWM thumbnail) handle as a number; 0 = none.
using WindowId = std::uintptr_t;

// A rectangle in the switcher's client coordinates (which are the monitor's own), right and bottom
// exclusive, as the system's RECT.
struct SwitcherRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Empty() const { return right <= left || bottom <= top; }
    // The system's PtInRect: the left and top edges are inside, the right and bottom ones are not.
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    bool operator==(const SwitcherRect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
    bool operator!=(const SwitcherRect& o) const { return !(*this == o); }
};

// The present enlargement of a thumbnail on each side, in pixels; (0, 0) at rest.
struct GrowOffset {
    double dx = 0;
    double dy = 0;
};

constexpr int kMaxListedWindows = 400;
constexpr int kMaxOtherMonitors = 20;

struct ExposeState {
    // ---- the list (written while an overview is prepared; at start-up for the first pictures)
    WindowId windows[kMaxListedWindows] = {};  // in Z-order, topmost first
    std::atomic<int> windowCount{0};
    std::atomic<WindowId> switcherWindow{0};  // never listed
    WindowId otherMonitors[kMaxOtherMonitors] = {};
    int otherMonitorCount = 0;

    // ---- the layout (parallel to `windows`)
    WindowId thumbnails[kMaxListedWindows] = {};  // live DWM thumbnail of window i; 0 when it has none
    SwitcherRect homeRects[kMaxListedWindows];    // resting place of thumbnail i
    SwitcherRect currentRects[kMaxListedWindows]; // present place (home, or enlarged): hit tests and drawing
    GrowOffset growOffsets[kMaxListedWindows];
    int sourceWidths[kMaxListedWindows] = {};   // a live thumbnail's source size (its grow keeps that aspect)
    int sourceHeights[kMaxListedWindows] = {};
    bool hung[kMaxListedWindows] = {};          // reported hung or did not answer at once: no picture, no icon
    WindowId icons[kMaxListedWindows] = {};     // the window's icon, asked once per overview; 0 when none
    std::atomic<int> columns{1};
    std::atomic<int> cellWidth{0};
    std::atomic<int> cellHeight{0};

    // ---- the user's position; -1 for none
    std::atomic<int> highlighted{-1};  // enlarged and framed; what Enter picks
    std::atomic<int> selected{-1};     // the pick, read by the overview once `done` is set
    std::atomic<int> hover{-1};        // under the pointer as last seen in raw mouse input (the tooltip)

    // ---- flags
    std::atomic<int> ready{0};            // layout complete: hit tests and keys are taken
    std::atomic<int> done{0};             // the user picked or cancelled; the overview ends
    std::atomic<int> backgroundDirty{0};  // the static layer is drawn into the background at the next paint
    std::atomic<int> busy{0};             // an overview was requested and is not up yet: requests do nothing
    std::atomic<int> compositionEnabled{0};
    std::atomic<int> osMajorVersion{0};

    // ---- the monitor under the pointer (its full rectangle, not the work area)
    std::atomic<int> monitorLeft{0};
    std::atomic<int> monitorTop{0};
    std::atomic<int> monitorWidth{0};
    std::atomic<int> monitorHeight{0};
    // That monitor's DPI: every pixel figure of the overview (fonts, frame, plates, steps) is drawn at its
    // scale. Set by the overview thread before the switcher shows, read by the UI thread while it is shown.
    std::atomic<int> dpi{96};

    // ---- the switcher's own mouse-move handler (UI thread only)
    int lastMouseX = -1;
    int lastMouseY = -1;
};

