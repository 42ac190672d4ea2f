#pragma once
// What the low-level mouse hook does with one mouse event of the desktop. The hook answers every event of
// every application, so the decision is a few comparisons on plain values: no allocation, no lock, no wait.

constexpr unsigned kWheelMessage = 0x020A;            // WM_MOUSEWHEEL
constexpr unsigned kHorizontalWheelMessage = 0x020E;  // WM_MOUSEHWHEEL
constexpr int kWheelNotch = 120;                      // WHEEL_DELTA
constexpr int kSpotlightStepPixels = 10;              // per wheel notch
constexpr int kSpotlightBoardMode = 4;

struct MouseHookVerdict {
    bool swallow = false;      // answer 1: no application sees the event
    int tiltSteps = 0;         // add to TiltSteps ...
    bool pulseTilt = false;    // ... then pulse TiltEvent (also when 0 steps were added)
    int spotlightRadius = 0;   // the spotlight's size after the event
    bool radiusChanged = false;
};

// `message` is the hook's wParam, `wheelDelta` the signed high word of mouseData. While the board is shown,
// the wheel resizes the spotlight (mode 4) and everything else passes; while it is not, the tilt wheel
// becomes tilt steps for the scrolling thread and never reaches applications directly.
MouseHookVerdict DecideMouseHook(unsigned message, int wheelDelta, bool boardVisible, int boardMode,
                                 int spotlightRadius);
