// The overview's grid, the fitting of each thumbnail into its cell, the titles of resting thumbnails, and the
// dimmed desktop behind them.
#include "switcher/Backdrop.h"
#include "switcher/OverviewLayout.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace {

struct GridRow {
    int count, columns, rows;
};

TEST(SwitcherLayout, GridGrowsByColumnsThenRows) {
    const GridRow rows[] = {{0, 1, 1},  {1, 1, 1},  {2, 2, 1},  {3, 2, 2},  {4, 2, 2},   {5, 3, 2},   {6, 3, 2},
                            {7, 3, 3},  {9, 3, 3},  {10, 4, 3}, {12, 4, 3}, {13, 4, 4},  {16, 4, 4},  {17, 5, 4},
                            {21, 5, 5}, {31, 6, 6}, {390, 20, 20}, {400, 20, 20}};
    for (const GridRow& r : rows) {
        const GridShape g = GridFor(r.count);
        EXPECT_EQ(g.columns, r.columns) << r.count << " windows";
        EXPECT_EQ(g.rows, r.rows) << r.count << " windows";
    }
}

// One monitor of 1920 x 1080, every window 800 x 600 (a live source of that size).
struct LayoutRow {
    int count;
    int cellWidth, cellHeight;  // (W + 1) / columns, (H + 1) / rows
    ThumbSize box;
    SwitcherRect first, last;
};

TEST(SwitcherLayout, GridAndFittingForOneToFourHundredWindows) {
    const LayoutRow rows[] = {
        // 1 by 1, half the cell: 960 x 540 box; 800 x 600 fits at 720 x 540, centred.
        {1, 1921, 1081, {960, 540}, {600, 270, 1320, 810}, {600, 270, 1320, 810}},
        // 2 by 1, half the cell.
        {2, 960, 1081, {480, 540}, {240, 360, 720, 720}, {1200, 360, 1680, 720}},
        // 2 by 2, half the cell.
        {3, 960, 540, {480, 270}, {300, 135, 660, 405}, {300, 675, 660, 945}},
        // 3 by 2, three fifths.
        {5, 640, 540, {384, 324}, {128, 126, 512, 414}, {768, 666, 1152, 954}},
        // 4 by 3, two thirds.
        {10, 480, 360, {320, 240}, {80, 60, 400, 300}, {560, 780, 880, 1020}},
        // 4 by 4, two thirds.
        {16, 480, 270, {320, 180}, {120, 45, 360, 225}, {1560, 855, 1800, 1035}},
        // 20 by 20, two thirds.
        {400, 96, 54, {64, 36}, {24, 9, 72, 45}, {1848, 1035, 1896, 1071}},
    };
    for (const LayoutRow& r : rows) {
        auto state = std::make_unique<ExposeState>();
        state->windowCount = r.count;
        state->growOffsets[3] = {7, 7};
        state->homeRects[r.count - 1 < 399 ? 399 : 0] = {1, 1, 2, 2};  // left from an earlier list
        StartLayout(*state, 1920, 1080);
        EXPECT_EQ(state->cellWidth, r.cellWidth) << r.count;
        EXPECT_EQ(state->cellHeight, r.cellHeight) << r.count;
        EXPECT_EQ(ThumbnailBox(r.count, state->cellWidth, state->cellHeight), r.box) << r.count;
        EXPECT_EQ(state->growOffsets[3].dx, 0) << "every thumbnail starts at rest";
        EXPECT_TRUE(state->homeRects[399].Empty() && state->homeRects[0].Empty()) << "no rectangle left over";
        for (int i = 0; i < r.count; ++i) PlaceLiveThumbnail(*state, i, {800, 600});
        EXPECT_EQ(state->homeRects[0], r.first) << r.count;
        EXPECT_EQ(state->homeRects[r.count - 1], r.last) << r.count;
        EXPECT_EQ(state->currentRects[r.count - 1], r.last) << r.count;
        // Every thumbnail lies inside its own cell, and no two cells meet.
        for (int i = 0; i < r.count; ++i) {
            const SwitcherRect cell = CellRect(i, state->columns, state->cellWidth, state->cellHeight);
            const SwitcherRect& t = state->homeRects[i];
            ASSERT_TRUE(t.left >= cell.left && t.right <= cell.right && t.top >= cell.top && t.bottom <= cell.bottom)
                << r.count << " windows, thumbnail " << i;
        }
    }
}

TEST(SwitcherLayout, FittingEnlargesSmallSourcesAndGuardsEmptyOnes) {
    struct Row {
        ThumbSize source, box, fitted;
    };
    const Row rows[] = {
        {{200, 150}, {400, 300}, {400, 300}},   // enlarged to the box
        {{4000, 3000}, {400, 300}, {400, 300}}, // reduced to it
        {{1000, 100}, {400, 300}, {400, 40}},   // wide: limited by the width
        {{100, 1000}, {400, 300}, {30, 300}},   // tall: limited by the height
        {{500, 0}, {400, 300}, {400, 300}},     // no height: the whole box
        {{0, 500}, {400, 300}, {0, 300}},       // no width: a line, no division by zero
        {{0, 0}, {400, 300}, {400, 300}},
        {{2000000000, 3}, {400, 300}, {400, 0}},  // absurd sizes do not overflow
    };
    for (const Row& r : rows) {
        EXPECT_EQ(FitInBox(r.source, r.box), r.fitted) << r.source.width << " x " << r.source.height;
    }
}

TEST(SwitcherLayout, CapturedThumbnailsAreCountedOneMoreAndAtLeast48) {
    // A 2 by 2 grid whose box is exactly 400 x 300.
    auto state = std::make_unique<ExposeState>();
    state->windowCount = 3;
    StartLayout(*state, 1599, 1199);
    ASSERT_EQ(ThumbnailBox(3, state->cellWidth, state->cellHeight), (ThumbSize{400, 300}));
    // A 200 x 150 window: 201 x 151 fitted gives 399 x 300.
    const SwitcherRect a = PlaceCapturedThumbnail(*state, 0, {200, 150});
    EXPECT_EQ(a.Width(), 399);
    EXPECT_EQ(a.Height(), 300);
    // Much wider than high: at least 48 high, centred on the cell.
    const SwitcherRect b = PlaceCapturedThumbnail(*state, 1, {3000, 20});
    EXPECT_EQ(b.Width(), 400);
    EXPECT_EQ(b.Height(), 48);
    EXPECT_EQ(b.top, (600 - 48) / 2);
    // Much higher than wide: at least 48 wide.
    const SwitcherRect c = PlaceCapturedThumbnail(*state, 2, {2, 5000});
    EXPECT_EQ(c.Width(), 48);
    EXPECT_EQ(c.Height(), 300);
    // A minimised window's bar, without a picture, keeps its own proportions.
    EXPECT_EQ(PlaceCapturedThumbnail(*state, 2, {160, 24}).Height(), 62);

    // Which size a captured thumbnail is laid out from.
    CaptureRecord kept;
    kept.picture = 7;
    kept.size = {1024, 768};
    CaptureRecord empty;
    empty.size = {1024, 768};
    EXPECT_EQ(CapturedSourceSize({160, 24}, true, &kept), (ThumbSize{1024, 768})) << "minimised, picture kept";
    EXPECT_EQ(CapturedSourceSize({160, 24}, true, &empty), (ThumbSize{160, 24})) << "minimised, no picture";
    EXPECT_EQ(CapturedSourceSize({160, 24}, true, nullptr), (ThumbSize{160, 24})) << "minimised, never captured";
    EXPECT_EQ(CapturedSourceSize({800, 600}, false, &kept), (ThumbSize{800, 600})) << "shown: its size now";
}

TEST(SwitcherLayout, FirstHighlightAndShortTitles) {
    EXPECT_EQ(FirstHighlight(0), -1);
    EXPECT_EQ(FirstHighlight(1), 0);
    EXPECT_EQ(FirstHighlight(2), 1);
    EXPECT_EQ(FirstHighlight(400), 1);

    EXPECT_EQ(ShortTitle(L""), L"");
    EXPECT_EQ(ShortTitle(L"abcdefghijklmnopqrstuvwx"), L"abcdefghijklmnopqrstuvwx");  // 24: as it is
    EXPECT_EQ(ShortTitle(L"abcdefghijklmnopqrstuvwxy"), L"abcdefghijklmnopqrstuvwx...");
    // A pair of UTF-16 surrogates at the cut goes whole or not at all.
    std::wstring emoji(23, L'a');
    emoji += wchar_t(0xD83D);
    emoji += wchar_t(0xDE00);
    emoji += L"tail";
    EXPECT_EQ(ShortTitle(emoji), std::wstring(23, L'a') + L"...");
}

// ------------------------------------------------------------------------------------------------ backdrop

TEST(SwitcherBackdrop, GradientDirectionsAndColours) {
    struct Row {
        DimKind kind;
        unsigned first, second;
        DimGradient a, b;
    };
    const int w = 1280, h = 800;
    const Row rows[] = {
        {DimKind::Switcher, 0, 0, {0xFF000000, 0x80000000, 0, 0, w, h}, {0xC8000000, 0x16000000, 0, h, 0, 0}},
        {DimKind::Switcher, 1, 1, {0xFF000000, 0x80000000, 0, h, w, 0}, {0xC8000000, 0x16000000, 0, 0, 0, h}},
        {DimKind::Switcher, 2, 2, {0xFF000000, 0x80000000, w, h, 0, 0}, {0xC8000000, 0x16000000, w, 0, 0, 0}},
        {DimKind::Panel, 5, 3, {0xFF000000, 0x4A000000, w, h, 0, 0}, {0xC8000000, 0x16000000, 0, h, 0, 0}},
    };
    for (const Row& r : rows) {
        const DimPair pair = DimGradients(r.kind, r.first, r.second, w, h);
        for (const auto& [got, want] : {std::make_pair(pair.first, r.a), std::make_pair(pair.second, r.b)}) {
            EXPECT_EQ(got.startArgb, want.startArgb);
            EXPECT_EQ(got.endArgb, want.endArgb);
            EXPECT_EQ((std::vector<int>{got.x0, got.y0, got.x1, got.y1}),
                      (std::vector<int>{want.x0, want.y0, want.x1, want.y1}));
        }
    }
}

int Red(std::uint32_t p) { return int((p >> 16) & 0xFF); }

TEST(SwitcherBackdrop, DimmingDarkensAlongBothGradients) {
    const int w = 200, h = 100;
    std::vector<std::uint32_t> white(size_t(w * h), 0xFFFFFFFFu);
    const DimPair pair = DimGradients(DimKind::Switcher, 0, 0, w, h);
    DimPixels(white.data(), w, w, h, pair);
    auto at = [&](int x, int y) { return white[size_t(y * w + x)]; };
    // Top left: the first gradient is opaque black there.
    EXPECT_EQ(at(0, 0) & 0x00FFFFFF, 0u);
    // Bottom right: 255 x (1 - 0x80/255) x (1 - 0xC8/255), about 27.
    EXPECT_NEAR(Red(at(w - 1, h - 1)), 27, 2);
    // Top right: the first gradient four fifths along (alpha about 0.60), the second at its end (about 0.09):
    // 255 x 0.40 x 0.91, about 92.
    EXPECT_NEAR(Red(at(w - 1, 0)), 92, 3);
    // Bottom left: the first a fifth along (about 0.90), the second at its start (0xC8): about 5.
    EXPECT_NEAR(Red(at(0, h - 1)), 5, 2);
    // Grey stays grey, darker everywhere, and the result is opaque.
    for (std::uint32_t p : white) {
        ASSERT_EQ(p >> 24, 0xFFu);
        ASSERT_EQ(Red(p), int(p & 0xFF));
        ASSERT_LT(Red(p), 128);
    }
    // A bottom-up bitmap (rows from the last) gets the same picture.
    std::vector<std::uint32_t> flipped(size_t(w * h), 0xFFFFFFFFu);
    DimPixels(flipped.data() + size_t((h - 1) * w), -w, w, h, pair);
    for (int y = 0; y < h; y += 9) {
        for (int x = 0; x < w; x += 13) ASSERT_EQ(flipped[size_t((h - 1 - y) * w + x)], at(x, y));
    }
    // The panels' first gradient ends lighter: the far corner is brighter than the switcher's.
    std::vector<std::uint32_t> panel(size_t(w * h), 0xFFFFFFFFu);
    DimPixels(panel.data(), w, w, h, DimGradients(DimKind::Panel, 0, 0, w, h));
    EXPECT_GT(Red(panel.back()), Red(white.back()));
    // Nothing to do, nothing touched.
    DimPixels(nullptr, 0, 0, 0, pair);
}

}  // namespace
