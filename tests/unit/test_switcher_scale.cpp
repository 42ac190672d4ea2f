// The overview at the scale of the monitor it covers: its figures at 100, 125, 150 and 200 % (titles, frame,
// icon plates, the smallest picture, the animation's steps and margins), the repaint that still covers the
// frame, and when a change of the monitor's DPI ends an overview.
#include "switcher/Interaction.h"
#include "switcher/OverviewLayout.h"
#include "switcher/WindowList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

constexpr int kDpis[] = {96, 120, 144, 192};

DisplayScale At(int dpi) { return DisplayScale::FromDpi(dpi); }

std::unique_ptr<ExposeState> Overview(int dpi, int count, int width, int height) {
    auto state = std::make_unique<ExposeState>();
    state->dpi = dpi;
    state->windowCount = count;
    StartLayout(*state, width, height);
    return state;
}

bool Inside(const SwitcherRect& inner, const SwitcherRect& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

// Everything the frame can paint around `r`: its clip, and its pen's outer half.
SwitcherRect FramePixels(const FrameShape& f) {
    const int half = (f.penThickness + 1) / 2;
    const SwitcherRect pen{f.penLeft - half, f.penTop - half, f.penLeft + f.penWidth + half + 1,
                           f.penTop + f.penHeight + half + 1};
    return {std::max(pen.left, f.clip.left), std::max(pen.top, f.clip.top), std::min(pen.right, f.clip.right),
            std::min(pen.bottom, f.clip.bottom)};
}

}  // namespace

TEST(SwitcherScale, AtOneHundredPercentEveryFigureIsAsWritten) {
    const OverviewMetrics m = OverviewMetrics::For(At(96));
    EXPECT_EQ(m.titlePixelsMany, 14);
    EXPECT_EQ(m.titlePixels, 16);
    EXPECT_EQ(m.titleInset, 4);
    EXPECT_EQ(m.frameReach, kFrameReach);
    EXPECT_EQ(m.minCapturedSide, kMinCapturedSide);

    const SwitcherRect r{100, 50, 420, 250};
    // The resting title: (x, y + 4, w - 8, h - 8); the enlarged one inset on every side.
    EXPECT_EQ(TitleLayout(r, false, m), (SwitcherRect{100, 54, 412, 246}));
    EXPECT_EQ(TitleLayout(r, true, m), (SwitcherRect{104, 54, 416, 246}));
    // The frame: a clip of (l - 5, t - 5, r + 6, b + 6) with corners of 4, a pen of 5 on (l - 4, t - 4,
    // w + 7, h + 7).
    const FrameShape f = FrameAround(r, m);
    EXPECT_EQ(f.clip, (SwitcherRect{95, 45, 426, 256}));
    EXPECT_EQ(f.ellipse, 4);
    EXPECT_EQ(f.penLeft, 96);
    EXPECT_EQ(f.penTop, 46);
    EXPECT_EQ(f.penWidth, 327);
    EXPECT_EQ(f.penHeight, 207);
    EXPECT_EQ(f.penThickness, 5);
    // The plate: 3 around a 32-pixel icon, corners of 6.
    EXPECT_EQ(IconPlate(100, 50, 32, 32, m), (SwitcherRect{97, 47, 135, 85}));
    EXPECT_EQ(m.plateEllipse, 6);
    // The animation's table.
    const struct {
        int count, step, margin;
    } rows[] = {{12, 4, 10}, {8, 8, 20}, {5, 8, 30}, {3, 12, 60}, {1, 16, 60}};
    for (const auto& row : rows) {
        EXPECT_EQ(StepFor(row.count, true, At(96)).step, row.step) << row.count;
        EXPECT_EQ(StepFor(row.count, false, At(96)).step, row.step * 3 / 2) << row.count;
        EXPECT_EQ(StepFor(row.count, true, At(96)).margin, row.margin) << row.count;
        EXPECT_EQ(StepFor(row.count, true).step, row.step) << "the default is 100 %";
    }
}

TEST(SwitcherScale, FiguresAtEachScale) {
    struct Row {
        int dpi, many, few, inset, clipOut, penWidth, plate, smallest, reach;
    } rows[] = {
        {120, 18, 20, 5, 6, 6, 4, 60, 8},
        {144, 21, 24, 6, 8, 8, 5, 72, 9},
        {192, 28, 32, 8, 10, 10, 6, 96, 12},
    };
    for (const Row& r : rows) {
        const OverviewMetrics m = OverviewMetrics::For(At(r.dpi));
        EXPECT_EQ(m.titlePixelsMany, r.many) << r.dpi;
        EXPECT_EQ(m.titlePixels, r.few) << r.dpi;
        EXPECT_EQ(m.titleInset, r.inset) << r.dpi;
        EXPECT_EQ(m.frameClipOut, r.clipOut) << r.dpi;
        EXPECT_EQ(m.framePenWidth, r.penWidth) << r.dpi;
        EXPECT_EQ(m.plateMargin, r.plate) << r.dpi;
        EXPECT_EQ(m.minCapturedSide, r.smallest) << r.dpi;
        EXPECT_EQ(m.frameReach, r.reach) << r.dpi;
    }
    // At 200 % the steps and the margins are twice the 100 % ones; at 150 % half as much again.
    EXPECT_EQ(StepFor(3, true, At(192)).step, 24);
    EXPECT_EQ(StepFor(3, false, At(192)).step, 36);
    EXPECT_EQ(StepFor(3, true, At(192)).margin, 120);
    EXPECT_EQ(StepFor(12, true, At(144)).step, 6);
    EXPECT_EQ(StepFor(12, false, At(144)).step, 9);
    EXPECT_EQ(StepFor(12, true, At(144)).margin, 15);
    EXPECT_EQ(StepFor(8, true, At(120)).step, 10);
    EXPECT_EQ(StepFor(8, true, At(120)).margin, 25);
}

TEST(SwitcherScale, TheFrameAndTheTitleKeepTheirPlacesAroundTheThumbnail) {
    const SwitcherRect r{200, 120, 520, 330};
    for (int dpi : kDpis) {
        const OverviewMetrics m = OverviewMetrics::For(At(dpi));
        const FrameShape f = FrameAround(r, m);
        // The frame lies around the thumbnail, never over it, and the repaint's reach holds all of it.
        EXPECT_TRUE(Inside(r, f.clip)) << dpi;
        const SwitcherRect drawn = FramePixels(f);
        const SwitcherRect reach{r.left - m.frameReach, r.top - m.frameReach, r.right + m.frameReach,
                                 r.bottom + m.frameReach};
        EXPECT_TRUE(Inside(drawn, reach)) << dpi;
        // Its pen's inner edge stays on or outside the thumbnail's edge.
        EXPECT_LE(f.penLeft + f.penThickness / 2, r.left + 1) << dpi;
        // The title is inside the thumbnail, inset by the same figure at the sides and the bottom.
        const SwitcherRect title = TitleLayout(r, true, m);
        EXPECT_TRUE(Inside(title, r)) << dpi;
        EXPECT_EQ(title.left - r.left, r.right - title.right) << dpi;
        EXPECT_EQ(r.bottom - title.bottom, m.titleInset) << dpi;
        // A line of the title fits in the thumbnail's smallest height.
        EXPECT_LT(m.titlePixels + 2 * m.titleInset, m.minCapturedSide) << dpi;
        // The plate holds the icon with the margin on every side.
        const int icon = At(dpi).Px(32);
        const SwitcherRect plate = IconPlate(r.left, r.top, icon, icon, m);
        EXPECT_EQ(plate.Width(), icon + 2 * m.plateMargin) << dpi;
        EXPECT_EQ(plate.left, r.left - m.plateMargin) << dpi;
    }
}

TEST(SwitcherScale, TheSmallestCapturedPictureIsAtTheOverviewsScale) {
    // A window far wider than high, in a roomy grid: raised to the smallest side.
    for (int dpi : kDpis) {
        auto state = Overview(dpi, 3, 2559, 1599);
        const SwitcherRect r = PlaceCapturedThumbnail(*state, 0, {2000, 20});
        EXPECT_EQ(r.Height(), At(dpi).Px(kMinCapturedSide)) << dpi;
        EXPECT_EQ(state->homeRects[0], r);
        // The grid itself is in the monitor's pixels and does not change with the scale.
        EXPECT_EQ(state->cellWidth, 1280) << dpi;
        EXPECT_EQ(state->cellHeight, 1600 / 2) << dpi;
    }
}

TEST(SwitcherScale, ThumbnailsGrowByTheScaledStepAndStopAtTheScaledMargin) {
    for (int dpi : kDpis) {
        // 3 windows on a 2560 x 1600 monitor: 2 by 2 cells of 1280 x 800.
        auto state = Overview(dpi, 3, 2559, 1599);
        for (int i = 0; i < 3; ++i) PlaceCapturedThumbnail(*state, i, {1599, 999});
        const SwitcherRect home = state->homeRects[0];
        const AnimationStep step = StepFor(3, false, At(dpi));
        GrowTick(*state, 0, false);
        // The longer side grows by the step at each end.
        EXPECT_EQ(state->currentRects[0].Width(), home.Width() + 2 * step.step) << dpi;
        int ticks = 1;
        while (GrowTick(*state, 0, false).moving && ticks < 1000) ++ticks;
        ASSERT_LT(ticks, 1000);
        const SwitcherRect grown = state->currentRects[0];
        // It stopped short of the cell by the margin, and one more step would have reached it.
        EXPECT_LT(grown.Width(), state->cellWidth - step.margin) << dpi;
        EXPECT_LT(grown.Height(), state->cellHeight - step.margin) << dpi;
        EXPECT_TRUE(grown.Width() + 2 * step.step + 2 >= state->cellWidth - step.margin ||
                    grown.Height() + 2 * step.step * home.Height() / home.Width() + 2 >=
                        state->cellHeight - step.margin)
            << dpi;
        // And it shrinks back exactly home, whatever the scale.
        state->highlighted = 1;
        while (ShrinkTick(*state, 0, false).moving) {
        }
        EXPECT_EQ(state->currentRects[0], home) << dpi;
    }
    // The same grid at 200 % takes the same number of ticks as at 100 % on a monitor half its size.
    auto small = Overview(96, 3, 1279, 799), large = Overview(192, 3, 2559, 1599);
    for (int i = 0; i < 3; ++i) {
        PlaceCapturedThumbnail(*small, i, {799, 499});
        PlaceCapturedThumbnail(*large, i, {1599, 999});
    }
    int smallTicks = 0, largeTicks = 0;
    while (GrowTick(*small, 0, true).moving) ++smallTicks;
    while (GrowTick(*large, 0, true).moving) ++largeTicks;
    EXPECT_EQ(smallTicks, largeTicks);
}

TEST(SwitcherScale, ARepaintCoversTheScaledFrameInADenseGrid) {
    for (int dpi : kDpis) {
        // 400 windows on 1280 x 768: cells smaller than the smallest picture.
        auto state = Overview(dpi, 400, 1279, 767);
        for (int i = 0; i < 400; ++i) PlaceCapturedThumbnail(*state, i, {640, 480});
        state->ready = 1;
        state->highlighted = 21;
        const OverviewMetrics m = OverviewMetrics::For(At(dpi));
        for (int k : {0, 21, 399}) {
            const SwitcherRect area = RepaintArea(*state, k);
            EXPECT_TRUE(Inside(FramePixels(FrameAround(state->currentRects[k], m)), area)) << dpi << " " << k;
            EXPECT_TRUE(Inside(CellRect(k, state->columns, state->cellWidth, state->cellHeight), area));
        }
    }
}

TEST(SwitcherScale, ADpiChangeEndsAShownOverviewAtAnotherScaleOnly) {
    EXPECT_TRUE(DpiChangeEndsOverview(true, 144, 192));
    EXPECT_TRUE(DpiChangeEndsOverview(true, 96, 120));
    EXPECT_FALSE(DpiChangeEndsOverview(true, 144, 144));
    EXPECT_FALSE(DpiChangeEndsOverview(false, 96, 192)) << "no overview on the screen: the next one takes the scale";
    EXPECT_FALSE(DpiChangeEndsOverview(true, 96, 0)) << "a nonsense figure reads as 100 %";
}
