// What keys and clicks do on an overview, and how thumbnails grow and shrink.
#include "switcher/Interaction.h"
#include "switcher/OverviewLayout.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

constexpr unsigned kEscape = 27, kTab = 9, kSpace = 32, kLetterA = 65;

struct KeyRow {
    const char* what;
    unsigned key;
    int highlighted, columns, count;
    KeyEffect effect;
    int index;
};

TEST(SwitcherKeys, ArrowsWrapSidewaysAndStopUpAndDown) {
    // Five windows in a 3 by 2 grid: 0 1 2 / 3 4.
    const KeyRow rows[] = {
        {"right", kKeyRight, 1, 3, 5, KeyEffect::MoveTo, 2},
        {"right on the last wraps to the first", kKeyRight, 4, 3, 5, KeyEffect::MoveTo, 0},
        {"left", kKeyLeft, 1, 3, 5, KeyEffect::MoveTo, 0},
        {"left on the first wraps to the last", kKeyLeft, 0, 3, 5, KeyEffect::MoveTo, 4},
        {"down", kKeyDown, 1, 3, 5, KeyEffect::MoveTo, 4},
        {"down from a column without a row below goes to the last", kKeyDown, 2, 3, 5, KeyEffect::MoveTo, 4},
        {"down in the last row stays on the last", kKeyDown, 4, 3, 5, KeyEffect::MoveTo, 4},
        {"up", kKeyUp, 4, 3, 5, KeyEffect::MoveTo, 1},
        {"up in the first row goes to the first", kKeyUp, 2, 3, 5, KeyEffect::MoveTo, 0},
        {"enter picks the highlighted window", kKeyEnter, 3, 3, 5, KeyEffect::Pick, 3},
        {"escape cancels", kEscape, 3, 3, 5, KeyEffect::Cancel, -1},
        {"tab cancels", kTab, 3, 3, 5, KeyEffect::Cancel, -1},
        {"space cancels", kSpace, 3, 3, 5, KeyEffect::Cancel, -1},
        {"a letter cancels", kLetterA, 3, 3, 5, KeyEffect::Cancel, -1},
        // No window listed: the arrows do nothing, everything else ends the overview.
        {"right with none", kKeyRight, -1, 1, 0, KeyEffect::Nothing, -1},
        {"left with none", kKeyLeft, -1, 1, 0, KeyEffect::Nothing, -1},
        {"up with none", kKeyUp, -1, 1, 0, KeyEffect::Nothing, -1},
        {"down with none", kKeyDown, -1, 1, 0, KeyEffect::Nothing, -1},
        {"enter with none picks nothing", kKeyEnter, -1, 1, 0, KeyEffect::Pick, -1},
        {"escape with none", kEscape, -1, 1, 0, KeyEffect::Cancel, -1},
        // One window: every arrow stays on it.
        {"right with one", kKeyRight, 0, 1, 1, KeyEffect::MoveTo, 0},
        {"left with one", kKeyLeft, 0, 1, 1, KeyEffect::MoveTo, 0},
        // Nothing highlighted yet (it cannot happen once ready, but the arithmetic holds).
        {"right from none", kKeyRight, -1, 3, 5, KeyEffect::MoveTo, 0},
        {"left from none", kKeyLeft, -1, 3, 5, KeyEffect::MoveTo, 4},
    };
    for (const KeyRow& r : rows) {
        const KeyDecision d = DecideKey(r.key, r.highlighted, r.columns, r.count);
        EXPECT_EQ(int(d.effect), int(r.effect)) << r.what;
        EXPECT_EQ(d.index, r.index) << r.what;
    }
}

TEST(SwitcherKeys, BeforeTheLayoutIsReadyOnlyEscapeIsTaken) {
    EXPECT_EQ(int(DecideKeyBeforeReady(kEscape).effect), int(KeyEffect::Cancel));
    EXPECT_EQ(DecideKeyBeforeReady(kEscape).index, -1);
    // Nothing is picked or moved on a grid the user has not seen, and nothing else ends the overview yet.
    for (unsigned key : {kKeyEnter, kKeyLeft, kKeyUp, kKeyRight, kKeyDown, kTab, kSpace, kLetterA}) {
        EXPECT_EQ(int(DecideKeyBeforeReady(key).effect), int(KeyEffect::Nothing)) << key;
    }
}

TEST(SwitcherKeys, HitTestTakesTheFirstPresentRectangleOnceReady) {
    auto state = std::make_unique<ExposeState>();
    state->windowCount = 3;
    state->currentRects[0] = {10, 10, 110, 60};
    state->currentRects[1] = {100, 50, 200, 150};  // overlaps the first (an enlarged thumbnail)
    state->currentRects[2] = {300, 300, 301, 301};
    state->currentRects[3] = {0, 0, 1000, 1000};  // beyond the list: never hit
    EXPECT_EQ(HitTest(*state, 20, 20), -1) << "not ready";
    state->ready = 1;
    EXPECT_EQ(HitTest(*state, 20, 20), 0);
    EXPECT_EQ(HitTest(*state, 105, 55), 0) << "the first in list order";
    EXPECT_EQ(HitTest(*state, 110, 55), 1) << "right edge outside";
    EXPECT_EQ(HitTest(*state, 10, 10), 0) << "left and top edges inside";
    EXPECT_EQ(HitTest(*state, 300, 300), 2);
    EXPECT_EQ(HitTest(*state, 301, 300), -1);
    EXPECT_EQ(HitTest(*state, 500, 500), -1) << "empty space";
}

TEST(SwitcherAnimation, StepTable) {
    struct Row {
        int count, live, captured, margin;
    };
    const Row rows[] = {{1, 16, 24, 60},  {2, 16, 24, 60}, {3, 12, 18, 60}, {4, 12, 18, 60}, {5, 8, 12, 30},
                        {6, 8, 12, 30},   {7, 8, 12, 20},  {9, 8, 12, 20},  {10, 4, 6, 10},  {400, 4, 6, 10}};
    for (const Row& r : rows) {
        EXPECT_EQ(StepFor(r.count, true).step, r.live) << r.count;
        EXPECT_EQ(StepFor(r.count, false).step, r.captured) << r.count;
        EXPECT_EQ(StepFor(r.count, true).margin, r.margin) << r.count;
        EXPECT_EQ(StepFor(r.count, false).margin, r.margin) << r.count;
    }
    // The longer side takes the whole step.
    GrowOffset wide = StepComponents(12, 1600, 1000);
    EXPECT_DOUBLE_EQ(wide.dx, 12);
    EXPECT_DOUBLE_EQ(wide.dy, 7.5);
    GrowOffset tall = StepComponents(12, 500, 1000);
    EXPECT_DOUBLE_EQ(tall.dx, 6);
    EXPECT_DOUBLE_EQ(tall.dy, 12);
    GrowOffset square = StepComponents(12, 300, 300);
    EXPECT_DOUBLE_EQ(square.dx, 12);
    EXPECT_DOUBLE_EQ(square.dy, 12);
    GrowOffset empty = StepComponents(12, 0, 0);  // a source of no size grows evenly
    EXPECT_DOUBLE_EQ(empty.dx, 12);
    EXPECT_DOUBLE_EQ(empty.dy, 12);
    // Cut toward zero on every side, also left of and above the monitor's corner.
    EXPECT_EQ(Enlarged({10, 20, 30, 40}, {10.9, 20.5}), (SwitcherRect{0, 0, 40, 60}));
    EXPECT_EQ(Enlarged({5, 5, 30, 40}, {7.5, 7.5}), (SwitcherRect{-2, -2, 37, 47}));
}

// Three windows on a 1280 x 800 monitor: a 2 by 2 grid of 640 x 400 cells, the box 320 x 200; window 0 is a
// 1600 x 1000 source laid out at (160, 100, 480, 300).
std::unique_ptr<ExposeState> ThreeWindows(bool live) {
    auto state = std::make_unique<ExposeState>();
    state->windowCount = 3;
    StartLayout(*state, 1279, 799);
    for (int i = 0; i < 3; ++i) {
        if (live) {
            PlaceLiveThumbnail(*state, i, {1600, 1000});
        } else {
            PlaceCapturedThumbnail(*state, i, {1599, 999});
        }
    }
    return state;
}

std::vector<int> GrowWidths(ExposeState& state, int k, bool live, int& ticks) {
    std::vector<int> widths;
    ticks = 0;
    for (;;) {
        ++ticks;
        const TickResult r = GrowTick(state, k, live);
        if (!r.moving) break;
        EXPECT_TRUE(r.changed);
        widths.push_back(state.currentRects[k].Width());
        if (ticks > 100) break;
    }
    return widths;
}

TEST(SwitcherAnimation, GrowStopsBeforeTheMarginAndShrinkEndsAtHome) {
    for (bool live : {true, false}) {
        auto state = ThreeWindows(live);
        const SwitcherRect home = state->homeRects[0];
        ASSERT_EQ(home, (SwitcherRect{160, 100, 480, 300}));
        int ticks = 0;
        const std::vector<int> widths = GrowWidths(*state, 0, live, ticks);
        // 12 pixels a tick on each end of the longer side live, 18 with a picture; the height (7.5 or 11.25 a
        // side) reaches 400 - 60 first, so the last rectangle is the one before.
        const int step = live ? 12 : 18;
        ASSERT_FALSE(widths.empty());
        for (size_t i = 0; i < widths.size(); ++i) EXPECT_EQ(widths[i], 320 + 2 * step * int(i + 1)) << live;
        const SwitcherRect big = state->currentRects[0];
        EXPECT_LT(big.Height(), 400 - 60);
        EXPECT_GE(big.Height() + 2 * (live ? 7.5 : 11.25), 400 - 60) << "one more step would reach the margin";
        EXPECT_LT(big.Width(), 640 - 60);
        EXPECT_EQ(big, (SwitcherRect{52, 32, 588, 367})) << "both step sizes end on the same rectangle";
        EXPECT_TRUE(IsEnlarged(*state, 0));
        // Once stopped, a further tick changes nothing.
        EXPECT_FALSE(GrowTick(*state, 0, live).changed);
        EXPECT_EQ(state->currentRects[0], big);

        // The shrink walks the same widths back and ends exactly at home.
        std::vector<int> back;
        for (int guard = 0; guard < 100; ++guard) {
            const TickResult r = ShrinkTick(*state, 0, live);
            back.push_back(state->currentRects[0].Width());
            if (!r.moving) break;
        }
        EXPECT_EQ(back.back(), 320);
        EXPECT_EQ(state->currentRects[0], home);
        EXPECT_FALSE(IsEnlarged(*state, 0));
        EXPECT_EQ(back.size(), widths.size());
        // At rest a shrink does nothing.
        EXPECT_FALSE(ShrinkTick(*state, 0, live).changed);
    }
}

TEST(SwitcherAnimation, AHighlightRegainedWhileShrinkingGrowsOnFromThere) {
    auto state = ThreeWindows(true);
    for (int i = 0; i < 5; ++i) GrowTick(*state, 1, true);
    EXPECT_EQ(state->currentRects[1].Width(), 320 + 2 * 12 * 5);
    ShrinkTick(*state, 1, true);
    ShrinkTick(*state, 1, true);
    EXPECT_EQ(state->currentRects[1].Width(), 320 + 2 * 12 * 3);
    GrowTick(*state, 1, true);
    EXPECT_EQ(state->currentRects[1].Width(), 320 + 2 * 12 * 4);
    // Index checks: nothing outside the list moves.
    EXPECT_FALSE(GrowTick(*state, 3, true).moving);
    EXPECT_FALSE(ShrinkTick(*state, -1, true).moving);
    EXPECT_FALSE(IsEnlarged(*state, 3));
}

TEST(SwitcherAnimation, TwoWindowsStepSixteenOrTwentyFour) {
    for (bool live : {true, false}) {
        auto state = std::make_unique<ExposeState>();
        state->windowCount = 2;
        StartLayout(*state, 1279, 799);
        if (live) {
            PlaceLiveThumbnail(*state, 1, {1000, 1000});
        } else {
            PlaceCapturedThumbnail(*state, 1, {999, 999});
        }
        const SwitcherRect home = state->homeRects[1];
        GrowTick(*state, 1, live);
        const int step = live ? 16 : 24;
        EXPECT_EQ(state->currentRects[1], (SwitcherRect{home.left - step, home.top - step, home.right + step,
                                                        home.bottom + step}));
    }
}

TEST(SwitcherAnimation, LiveThumbnailsKeepTheirSourcesShape) {
    auto state = std::make_unique<ExposeState>();
    state->windowCount = 1;
    StartLayout(*state, 1279, 799);
    // A tall source: the box is limited by the height; the width grows in proportion.
    PlaceLiveThumbnail(*state, 0, {500, 1000});
    const SwitcherRect home = state->homeRects[0];
    GrowTick(*state, 0, true);
    EXPECT_EQ(state->currentRects[0].Height(), home.Height() + 32);
    EXPECT_EQ(state->currentRects[0].Width(), home.Width() + 16);
}

// About 150 windows on a 1280 x 768 monitor: a 13 by 12 grid of 98 x 64 cells, each thumbnail raised to
// 48 pixels high, so that the first grow step of 6 (with the margin of 10) already reaches 64 - 10.
std::unique_ptr<ExposeState> DenseGrid(int count) {
    auto state = std::make_unique<ExposeState>();
    state->windowCount = count;
    StartLayout(*state, 1279, 767);
    for (int i = 0; i < count; ++i) PlaceCapturedThumbnail(*state, i, {640, 480});
    state->ready = 1;
    state->highlighted = 1;
    return state;
}

TEST(SwitcherDrawing, TheHighlightedThumbnailIsFramedEvenWhenItCannotGrow) {
    auto state = DenseGrid(150);
    ASSERT_EQ(state->columns, 13);
    ASSERT_EQ(state->cellHeight, 64);
    ASSERT_EQ(state->homeRects[1].Height(), kMinCapturedSide);
    // The first step already meets the margin: the highlighted thumbnail stays at rest.
    const TickResult grow = GrowTick(*state, 1, false);
    EXPECT_FALSE(grow.moving);
    EXPECT_FALSE(IsEnlarged(*state, 1));
    EXPECT_EQ(state->currentRects[1], state->homeRects[1]);
    EXPECT_TRUE(Framed(*state, 1)) << "a highlight at rest shows no frame: the keys move an invisible highlight";
    EXPECT_FALSE(Framed(*state, 0));
    EXPECT_FALSE(Framed(*state, 2));
    // The frame goes with the highlight, whatever the offsets.
    state->highlighted = 2;
    EXPECT_TRUE(Framed(*state, 2));
    EXPECT_FALSE(Framed(*state, 1));
    // An enlarged thumbnail that is no longer highlighted (it shrinks back) has no frame.
    auto roomy = ThreeWindows(false);
    roomy->ready = 1;
    roomy->highlighted = 0;
    GrowTick(*roomy, 0, false);
    EXPECT_TRUE(IsEnlarged(*roomy, 0));
    EXPECT_TRUE(Framed(*roomy, 0));
    roomy->highlighted = 1;
    EXPECT_FALSE(Framed(*roomy, 0));
    EXPECT_TRUE(Framed(*roomy, 1)) << "a thumbnail just highlighted, before its first step";
    // Nothing is framed before the layout is ready, nor outside the list.
    roomy->ready = 0;
    EXPECT_FALSE(Framed(*roomy, 1));
    roomy->ready = 1;
    roomy->highlighted = 3;
    EXPECT_FALSE(Framed(*roomy, 3));
}

bool Inside(const SwitcherRect& inner, const SwitcherRect& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

SwitcherRect WithFrame(const SwitcherRect& r) {
    return {r.left - kFrameReach, r.top - kFrameReach, r.right + kFrameReach, r.bottom + kFrameReach};
}

TEST(SwitcherDrawing, ARepaintCoversTheFrameAlsoWhereItOverflowsTheCell) {
    // 400 windows: 20 by 20 cells of 64 x 38, smaller than a thumbnail of 48 pixels high.
    auto state = DenseGrid(400);
    ASSERT_LT(state->cellHeight, kMinCapturedSide);
    for (int k : {0, 1, 21, 399}) {
        const SwitcherRect cell = CellRect(k, state->columns, state->cellWidth, state->cellHeight);
        const SwitcherRect area = RepaintArea(*state, k);
        EXPECT_TRUE(Inside(cell, area)) << k;
        EXPECT_TRUE(Inside(WithFrame(state->currentRects[k]), area)) << k;
    }
    // An enlarged thumbnail: its present rectangle and the one it shrinks back to.
    auto roomy = ThreeWindows(false);
    for (int i = 0; i < 4; ++i) GrowTick(*roomy, 0, false);
    const SwitcherRect area = RepaintArea(*roomy, 0);
    EXPECT_TRUE(Inside(WithFrame(roomy->currentRects[0]), area));
    EXPECT_TRUE(Inside(WithFrame(roomy->homeRects[0]), area));
    EXPECT_EQ(area, CellRect(0, roomy->columns, roomy->cellWidth, roomy->cellHeight))
        << "a roomy grid repaints just the cell";
    EXPECT_TRUE(RepaintArea(*roomy, 3).Empty()) << "outside the list";
}

}  // namespace
