#pragma once
// What the low-level mouse hook does with one mouse event of the desktop. The hook answers every event of
// every application, so the decision is a few comparisons on plain values: no allocation, no lock, no wait.
#include "overlays/BoardMode.h"

constexpr unsigned kWheelMessage = 0x020A;            // WM_MOUSEWHEEL
constexpr unsigned kHorizontalWheelMessage = 0x020E;  // WM_MOUSEHWHEEL
constexpr int kWheelNotch = 120;                      // WHEEL_DELTA
constexpr int kSpotlightStepPixels = 10;              // per wheel notch

struct MouseHookVerdict {
    bool swallow = false;      // answer 1: no application sees the event
    int tiltSteps = 0;         // add to TiltSteps ...
    bool pulseTilt = false;    // ... then wake the tilt thread (also when 0 steps were added)
    int spotlightRadius = 0;   // the spotlight's size after the event
    bool radiusChanged = false;
};

// `message` is the hook's wParam, `wheelDelta` the signed high word of mouseData. While the board is shown,
// the wheel resizes the spotlight and everything else passes; while it is not, the tilt wheel
// becomes tilt steps for the scrolling thread and never reaches applications directly.
MouseHookVerdict DecideMouseHook(unsigned message, int wheelDelta, bool boardVisible, BoardMode boardMode,
                                 int spotlightRadius);

// The system removes a low-level hook silently when it has kept the desktop waiting too often, and its handle
// still looks valid. Raw input has no such timeout, so it tells when the hook went quiet: a wheel or tilt
// notch that raw input saw and the hook did not see within a moment means the hook is gone.
constexpr unsigned kHookQuietMs = 1000;    // a raw wheel with the hook silent this long is worth a look
constexpr unsigned kHookGraceMs = 250;     // how long the hook gets to report that same notch

// Whether a raw wheel notch at `rawAtMs` should be checked: the hook's last event is older than kHookQuietMs.
inline bool HookLooksQuiet(unsigned long long lastHookMs, unsigned long long rawAtMs) {
    return rawAtMs > lastHookMs + kHookQuietMs;
}
// After the grace period: the hook is lost when it has seen nothing since the notch.
inline bool HookMissedNotch(unsigned long long lastHookMs, unsigned long long rawAtMs) { return lastHookMs < rawAtMs; }
