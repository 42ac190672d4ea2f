#pragma once
// The gesture indicator's animation: for each direction of a gesture a row of 12 PNG ids, the last picture
// held for three places. The indicator's thread counts GestureTipTicks from 0 to kGestureTipTicks, two
// ticks a picture; at kGestureTipTicks the indicator is empty and then hidden. Portable.
#include "shell/ProcessState.h"

constexpr int kGestureDirections = 4;  // 0 up, 1 down, 2 left, 3 right
constexpr int kGestureFrameCount = 12;
static_assert(kGestureTipTicks == 2 * kGestureFrameCount, "two ticks a frame, then the indicator is empty");

extern const int GestureFrames[kGestureDirections][kGestureFrameCount];

// The PNG to draw for `direction` after `ticks` ticks; 0 means nothing is drawn (the animation is over, or
// a value no gesture produces).
int GestureFrameFor(int direction, int ticks);
