#include "input/MouseHookRules.h"

#include "shell/ProcessState.h"

#include <algorithm>

MouseHookVerdict DecideMouseHook(unsigned message, int wheelDelta, bool boardVisible, BoardMode boardMode,
                                 int spotlightRadius) {
    MouseHookVerdict verdict;
    verdict.spotlightRadius = spotlightRadius;
    if (boardVisible) {
        if (message != kWheelMessage || boardMode != BoardMode::Spotlight) return verdict;
        // A touch-pad's small deltas still count as a whole notch.
        int delta = wheelDelta;
        if (delta > 0 && delta < kWheelNotch) delta = kWheelNotch;
        if (delta < 0 && delta > -kWheelNotch) delta = -kWheelNotch;
        const int steps = delta / kWheelNotch;  // C++ division rounds toward zero
        verdict.spotlightRadius =
            std::clamp(spotlightRadius + kSpotlightStepPixels * steps, kSpotlightRadiusMin, kSpotlightRadiusMax);
        verdict.radiusChanged = verdict.spotlightRadius != spotlightRadius;
        verdict.swallow = true;
        return verdict;
    }
    if (message != kHorizontalWheelMessage) return verdict;
    if (wheelDelta >= kWheelNotch || wheelDelta <= -kWheelNotch) {
        verdict.tiltSteps = wheelDelta / kWheelNotch;
    } else {
        verdict.tiltSteps = (wheelDelta > 0) - (wheelDelta < 0);
    }
    verdict.pulseTilt = true;
    verdict.swallow = true;
    return verdict;
}
