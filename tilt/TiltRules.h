#pragma once
// What one tilt of the wheel does. Many applications ignore the system's horizontal-wheel message, so the
// tilt thread looks at the focused window, the scroll bars around it and a few window classes it knows, and
// posts what that application understands: a scroll command, a wheel message with a modifier key, or a
// dragged middle button. The decision reads the window tree through TiltDesktop (the system's in
// TiltScroll_win.cpp, a fake tree in the tests) and returns the messages; the caller posts them.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// A window handle as a number; 0 = no window.
using TiltWindow = std::uintptr_t;

struct TiltPoint {
    int x = 0;
    int y = 0;
};

// The messages and codes the tilt thread posts.
constexpr unsigned kTiltMouseMove = 0x0200;         // WM_MOUSEMOVE
constexpr unsigned kTiltMouseWheel = 0x020A;        // WM_MOUSEWHEEL
constexpr unsigned kTiltMouseHWheel = 0x020E;       // WM_MOUSEHWHEEL
constexpr unsigned kTiltHScroll = 0x0114;           // WM_HSCROLL
constexpr unsigned kTiltLineLeft = 0;               // SB_LINELEFT
constexpr unsigned kTiltLineRight = 1;              // SB_LINERIGHT
constexpr unsigned kTiltEndScroll = 8;              // SB_ENDSCROLL
constexpr unsigned kTiltControlKey = 0x0008;        // MK_CONTROL
constexpr unsigned kTiltShiftKey = 0x0004;          // MK_SHIFT
constexpr unsigned kTiltMiddleButton = 0x0010;      // MK_MBUTTON
constexpr int kTiltWheelNotch = 120;
constexpr int kTiltDragPixels = 10;                 // one middle-button drag step
constexpr int kTiltClassNameChars = 99;             // class names are read into 100-character buffers

// The desktop as the tilt thread sees it at one wake-up.
class TiltDesktop {
public:
    virtual ~TiltDesktop() = default;
    // The focus window of the foreground thread; 0 when it has none.
    virtual TiltWindow Focus() = 0;
    virtual TiltWindow Foreground() = 0;
    // The window under the pointer, and the pointer in screen coordinates.
    virtual TiltWindow UnderPointer() = 0;
    virtual TiltPoint Pointer() = 0;
    // The window that contains `window`; 0 for a top-level window (an owner is not a parent).
    virtual TiltWindow Parent(TiltWindow window) = 0;
    // At most kTiltClassNameChars characters; empty for no window.
    virtual std::wstring ClassName(TiltWindow window) = 0;
    virtual std::uint32_t Style(TiltWindow window) = 0;
    // Every descendant of `root` (not `root` itself), depth first, each window before its children, siblings
    // in their order; stops when `visit` answers false. Never called with root 0.
    virtual void VisitDescendants(TiltWindow root, const std::function<bool(TiltWindow)>& visit) = 0;
    virtual TiltPoint ScreenToClient(TiltWindow window, TiltPoint screen) = 0;
    virtual TiltPoint ClientToScreen(TiltWindow window, TiltPoint client) = 0;
};

struct TiltPost {
    TiltWindow window = 0;
    unsigned message = 0;
    std::uintptr_t wParam = 0;
    std::uintptr_t lParam = 0;

    bool operator==(const TiltPost& o) const {
        return window == o.window && message == o.message && wParam == o.wParam && lParam == o.lParam;
    }
};

// +1 for steps to the right, -1 to the left, 0 for none. However many steps gathered, a wake-up scrolls once.
int TiltDirection(std::int32_t steps);

// The scroll bars a tilt can drive: horizontal (style bit 0, SBS_VERT, clear) and of a class that is a
// scroll bar control ("ScrollBar", Office's "NUIScrollbar", Delphi's "TScrollBar").
bool IsHorizontalScrollBar(std::uint32_t style, const std::wstring& className);

// The first horizontal scroll bar below `root`, depth first; 0 when there is none or root is 0.
TiltWindow FindHorizontalScrollBar(TiltDesktop& desktop, TiltWindow root);

// The messages for one tilt in `direction` (+1 right, -1 left), in the order they are to be posted. Nothing
// for direction 0, without a focus window, or when the chosen window is missing.
std::vector<TiltPost> DecideTiltScroll(TiltDesktop& desktop, int direction);

// x in the low and y in the high 16 bits, each as a signed 16-bit value (points left of or above a client
// area stay negative for GET_X_LPARAM and GET_Y_LPARAM).
std::uintptr_t PackTiltPoint(TiltPoint point);
// A wheel message's wParam: the key flags in the low word, the signed delta in the high word.
std::uintptr_t PackTiltWheel(unsigned keys, int delta);
