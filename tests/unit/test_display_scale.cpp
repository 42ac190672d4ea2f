#include "shell/DisplayScale.h"

#include <gtest/gtest.h>

TEST(DisplayScale, FiguresAtTheCommonScales) {
    // The settings window, a picker row, the board's pen, the switcher's smallest thumbnail side.
    struct Row { int dpi, w670, h500, row36, pen16, min48; };
    const Row rows[] = {
        {96, 670, 500, 36, 16, 48},
        {120, 838, 625, 45, 20, 60},
        {144, 1005, 750, 54, 24, 72},
        {192, 1340, 1000, 72, 32, 96},
    };
    for (const Row& r : rows) {
        const DisplayScale s = DisplayScale::FromDpi(r.dpi);
        EXPECT_EQ(s.Px(670), r.w670) << r.dpi;
        EXPECT_EQ(s.Px(500), r.h500) << r.dpi;
        EXPECT_EQ(s.Px(36), r.row36) << r.dpi;
        EXPECT_EQ(s.Px(16), r.pen16) << r.dpi;
        EXPECT_EQ(s.Px(48), r.min48) << r.dpi;
    }
}

TEST(DisplayScale, RoundsHalfAwayAndKeepsHairlinesAndSigns) {
    const DisplayScale s125 = DisplayScale::FromDpi(120);
    EXPECT_EQ(s125.Px(1), 1);    // 1.25
    EXPECT_EQ(s125.Px(2), 3);    // 2.5 rounds up
    EXPECT_EQ(s125.Px(-2), -3);  // and away from zero below it
    EXPECT_EQ(s125.Px(0), 0);
    const DisplayScale small = DisplayScale::FromDpi(48);
    EXPECT_EQ(small.Px(1), 1);   // 0.5 would round to 1 anyway; a hairline stays
    EXPECT_EQ(small.Px(-1), -1);
    EXPECT_EQ(DisplayScale::FromDpi(144).Px(2000000), 3000000);  // no overflow in between
}

TEST(DisplayScale, ImplausibleDpiDrawsAtOneHundredPercent) {
    EXPECT_EQ(DisplayScale::FromDpi(0).dpi, 96);
    EXPECT_EQ(DisplayScale::FromDpi(-144).dpi, 96);
    EXPECT_EQ(DisplayScale::FromDpi(100000).dpi, 96);
    EXPECT_TRUE(DisplayScale::FromDpi(0).IsIdentity());
    EXPECT_EQ(DisplayScale::FromDpi(480).dpi, 480);
}

TEST(DisplayScale, ArtworkIsNeverBlownUpFromASmallerStep) {
    struct Row { int dpi; ArtStep step; };
    const Row rows[] = {{72, ArtStep::x1},   {96, ArtStep::x1},    {97, ArtStep::x1_5}, {120, ArtStep::x1_5},
                        {144, ArtStep::x1_5}, {145, ArtStep::x2},  {192, ArtStep::x2},  {288, ArtStep::x2}};
    for (const Row& r : rows) {
        const DisplayScale s = DisplayScale::FromDpi(r.dpi);
        EXPECT_EQ(s.Art(), r.step) << r.dpi;
        if (r.dpi <= 192) {
            EXPECT_GE(ArtFactor(s.Art()), s.Factor()) << r.dpi;
        }
    }
    EXPECT_EQ(ArtResourceId(129, ArtStep::x1), 129);
    EXPECT_EQ(ArtResourceId(129, ArtStep::x1_5), 1129);
    EXPECT_EQ(ArtResourceId(205, ArtStep::x2), 2205);
}
