// The gesture indicator's animation table and which picture each tick shows.
#include "overlays/GestureFrames.h"

#include <gtest/gtest.h>

namespace {

TEST(GestureFrames, EachTickShowsItsDirectionsPicture) {
    struct Row {
        int direction, ticks, png;
    } rows[] = {
        {2, 7, 174},                                   // left, the fourth picture
        {0, 0, 131}, {0, 1, 131}, {0, 2, 132},         // up: two ticks a picture
        {1, 23, 200}, {3, 19, 190}, {3, 18, 190},      // the last picture, held
        {3, 17, 189}, {1, 12, 197},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(GestureFrameFor(row.direction, row.ticks), row.png)
            << "direction " << row.direction << ", ticks " << row.ticks;
    }
}

TEST(GestureFrames, EveryRowRunsThroughItsTenPicturesAndHoldsTheLast) {
    const int first[kGestureDirections] = {131, 191, 171, 181};  // up, down, left, right
    for (int d = 0; d < kGestureDirections; ++d) {
        SCOPED_TRACE(d);
        for (int f = 0; f < 10; ++f) EXPECT_EQ(GestureFrames[d][f], first[d] + f);
        EXPECT_EQ(GestureFrames[d][10], first[d] + 9);
        EXPECT_EQ(GestureFrames[d][11], first[d] + 9);
    }
}

TEST(GestureFrames, NothingIsDrawnOutsideAnAnimation) {
    for (int d = 0; d < kGestureDirections; ++d) {
        EXPECT_EQ(GestureFrameFor(d, 24), 0) << "24 ticks: the animation is over";
        EXPECT_EQ(GestureFrameFor(d, 1000), 0);
        EXPECT_EQ(GestureFrameFor(d, -1), 0);
    }
    EXPECT_EQ(GestureFrameFor(-1, 5), 0);
    EXPECT_EQ(GestureFrameFor(4, 5), 0);
}

TEST(GestureFrames, AnAnimationPaintsEveryPictureAndEndsEmpty) {
    // The indicator's thread counts before each repaint: an animation paints with 1 to 24.
    for (int d = 0; d < kGestureDirections; ++d) {
        int shown[kGestureFrameCount] = {};
        for (int ticks = 1; ticks <= kGestureTipTicks; ++ticks) {
            int png = GestureFrameFor(d, ticks);
            if (ticks == kGestureTipTicks) {
                EXPECT_EQ(png, 0);
                continue;
            }
            ASSERT_NE(png, 0);
            for (int f = 0; f < kGestureFrameCount; ++f) {
                if (GestureFrames[d][f] == png) {
                    ++shown[f];
                    break;
                }
            }
        }
        EXPECT_EQ(shown[0], 1) << "the first picture once";
        for (int f = 1; f < 9; ++f) EXPECT_EQ(shown[f], 2) << "picture " << f;
        EXPECT_EQ(shown[9], 6) << "the last picture over its three places";
    }
}

}  // namespace
