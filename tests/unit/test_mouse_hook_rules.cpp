#include "input/MouseHookRules.h"

#include "shell/ProcessState.h"

#include <gtest/gtest.h>

namespace {

constexpr unsigned kMove = 0x0200;
constexpr unsigned kLeftDown = 0x0201;

// One event as the hook sees it, and what must come of it.
struct Row {
    const char* what;
    unsigned message;
    int delta;
    bool boardVisible;
    int boardMode;
    int radiusBefore;
    bool swallow;
    int tiltSteps;
    bool pulse;
    int radiusAfter;
};

const Row kRows[] = {
    // No board: the tilt wheel becomes tilt steps, whole notches rounded toward zero, small deltas one step.
    {"tilt right one notch", kHorizontalWheelMessage, 120, false, 0, 400, true, 1, true, 400},
    {"tilt left one notch", kHorizontalWheelMessage, -120, false, 0, 400, true, -1, true, 400},
    {"tilt three notches", kHorizontalWheelMessage, 360, false, 0, 400, true, 3, true, 400},
    {"tilt 250 rounds toward zero", kHorizontalWheelMessage, 250, false, 0, 400, true, 2, true, 400},
    {"tilt -250 rounds toward zero", kHorizontalWheelMessage, -250, false, 0, 400, true, -2, true, 400},
    {"tilt -30 is one step left", kHorizontalWheelMessage, -30, false, 0, 400, true, -1, true, 400},
    {"tilt +1 is one step right", kHorizontalWheelMessage, 1, false, 0, 400, true, 1, true, 400},
    {"tilt 0 adds nothing, still swallowed and pulsed", kHorizontalWheelMessage, 0, false, 0, 400, true, 0, true,
     400},
    {"the wheel passes without a board", kWheelMessage, 120, false, 4, 400, false, 0, false, 400},
    {"moves pass", kMove, 0, false, 0, 400, false, 0, false, 400},
    {"clicks pass", kLeftDown, 0, false, 0, 400, false, 0, false, 400},
    // Board shown: the tilt wheel reaches applications, the wheel resizes only the spotlight.
    {"tilt passes while the board is shown", kHorizontalWheelMessage, 120, true, 1, 400, false, 0, false, 400},
    {"tilt passes over the spotlight", kHorizontalWheelMessage, 120, true, 4, 400, false, 0, false, 400},
    {"wheel over the highlighter passes", kWheelMessage, 120, true, 1, 400, false, 0, false, 400},
    {"wheel over a screen snap passes", kWheelMessage, -120, true, 3, 400, false, 0, false, 400},
    {"spotlight grows by 10 a notch", kWheelMessage, 120, true, 4, 400, true, 0, false, 410},
    {"spotlight shrinks by 10 a notch", kWheelMessage, -120, true, 4, 400, true, 0, false, 390},
    {"a +40 notch counts whole", kWheelMessage, 40, true, 4, 400, true, 0, false, 410},
    {"a -1 notch counts whole", kWheelMessage, -1, true, 4, 400, true, 0, false, 390},
    {"three notches at once", kWheelMessage, 360, true, 4, 400, true, 0, false, 430},
    {"250 is two notches", kWheelMessage, 250, true, 4, 400, true, 0, false, 420},
    {"a 0 delta changes nothing but is swallowed", kWheelMessage, 0, true, 4, 400, true, 0, false, 400},
    {"never above 800", kWheelMessage, 360, true, 4, 795, true, 0, false, 800},
    {"never below 100", kWheelMessage, -1200, true, 4, 150, true, 0, false, 100},
    {"at the top a notch up stays", kWheelMessage, 120, true, 4, 800, true, 0, false, 800},
    {"moves pass over the spotlight", kMove, 0, true, 4, 400, false, 0, false, 400},
};

TEST(MouseHook, EveryEventGetsItsVerdict) {
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.what);
        MouseHookVerdict v = DecideMouseHook(row.message, row.delta, row.boardVisible, BoardMode(row.boardMode),
                                             row.radiusBefore);
        EXPECT_EQ(v.swallow, row.swallow);
        EXPECT_EQ(v.tiltSteps, row.tiltSteps);
        EXPECT_EQ(v.pulseTilt, row.pulse);
        EXPECT_EQ(v.spotlightRadius, row.radiusAfter);
        EXPECT_EQ(v.radiusChanged, row.radiusAfter != row.radiusBefore);
    }
}

TEST(MouseHook, SpotlightStaysWithinItsLimitsOverAnyWheelRun) {
    int radius = kSpotlightRadiusStart;
    for (int i = 0; i < 200; ++i) {
        const int delta = (i / 50) % 2 ? -120 : 120;
        radius = DecideMouseHook(kWheelMessage, delta, true, BoardMode::Spotlight, radius).spotlightRadius;
        ASSERT_GE(radius, kSpotlightRadiusMin);
        ASSERT_LE(radius, kSpotlightRadiusMax);
    }
    // 50 up from 400 stop at 800 (the clamp holds the surplus back), 50 down reach 300, and so on.
    EXPECT_EQ(radius, 300);
}

}  // namespace
