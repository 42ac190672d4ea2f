#include "overlays/GestureFrames.h"

#include "resources/resource.h"

// Each row: ten pictures of two finger dots moving in the gesture's direction; the last stays a while.
const int GestureFrames[kGestureDirections][kGestureFrameCount] = {
    {131, 132, 133, 134, 135, 136, 137, 138, 139, 140, 140, 140},  // up
    {191, 192, 193, 194, 195, 196, 197, 198, 199, 200, 200, 200},  // down
    {171, 172, 173, 174, 175, 176, 177, 178, 179, 180, 180, 180},  // left
    {181, 182, 183, 184, 185, 186, 187, 188, 189, 190, 190, 190},  // right
};
static_assert(IDB_GESTURE_UP_FIRST == 131 && IDB_GESTURE_DOWN_FIRST == 191 && IDB_GESTURE_LEFT_FIRST == 171 &&
                  IDB_GESTURE_RIGHT_FIRST == 181,
              "the rows start at the resources' first pictures");

int GestureFrameFor(int direction, int ticks) {
    if (direction < 0 || direction >= kGestureDirections) return 0;
    if (ticks < 0 || ticks >= kGestureTipTicks) return 0;
    return GestureFrames[direction][ticks / 2];
}
