// The picker, the tooltip, the gesture indicator and the magnifier on monitors of 125, 150 and 200 %: their
// measures, where lists open and which row a point is over on scaled rows, where a tip goes, and what a
// change of the monitor's DPI does to each window. At 96 DPI every figure is the one the lists always had.
#include "overlays/OverlayDpi.h"
#include "overlays/PickerLayout.h"
#include "overlays/TipPlacement.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<_ZuItemListDB> Rows(const std::string& pattern) {
    std::vector<_ZuItemListDB> rows;
    for (char c : pattern) {
        _ZuItemListDB e;
        e.kind = c == 'g' ? kKindGroup : c == 's' ? kKindSeparator : kKindFunction;
        e.index = 100 + int(rows.size());
        rows.push_back(e);
    }
    return rows;
}

PickerMetrics At(int dpi) { return PickerMetrics::ForScale(DisplayScale::FromDpi(dpi)); }

// ------------------------------------------------------------------------------------------ the measures

TEST(PickerAtScale, MeasuresAsTable) {
    struct Case {
        int dpi, row, separator, width, margin, overlap, column, textLeft, nameFont, noItemFont;
    } cases[] = {
        {96, 36, 8, 300, 4, 11, 36, 40, 18, 20},
        {120, 45, 10, 375, 5, 14, 45, 50, 23, 25},  // 13.75 -> 14, 22.5 -> 23: half away from zero
        {144, 54, 12, 450, 6, 17, 54, 60, 27, 30},  // 16.5 -> 17
        {192, 72, 16, 600, 8, 22, 72, 80, 36, 40},
    };
    for (const Case& c : cases) {
        const PickerMetrics m = At(c.dpi);
        EXPECT_EQ(m.rowHeight, c.row) << c.dpi;
        EXPECT_EQ(m.separatorHeight, c.separator) << c.dpi;
        EXPECT_EQ(m.listWidth, c.width) << c.dpi;
        EXPECT_EQ(m.margin, c.margin) << c.dpi;
        EXPECT_EQ(m.subListOverlap, c.overlap) << c.dpi;
        EXPECT_EQ(m.iconColumn, c.column) << c.dpi;
        EXPECT_EQ(m.textLeft, c.textLeft) << c.dpi;
        EXPECT_EQ(m.nameFontPixels, c.nameFont) << c.dpi;
        EXPECT_EQ(m.noItemFontPixels, c.noItemFont) << c.dpi;
    }
}

TEST(PickerAtScale, At96TheScaledMeasuresAreTheListsOwn) {
    const PickerMetrics plain;
    const PickerMetrics scaled = At(96);
    EXPECT_EQ(scaled.rowHeight, plain.rowHeight);
    EXPECT_EQ(scaled.listWidth, plain.listWidth);
    EXPECT_EQ(scaled.margin, plain.margin);
    EXPECT_EQ(scaled.subListOverlap, plain.subListOverlap);
    // A whole paint comes out the same, to the last inset.
    const std::vector<_ZuItemListDB> rows = Rows("fgsf");
    PickerPaintInput in;
    in.rows = &rows;
    in.hoverIndex = 1;
    in.groupIconId = 144;
    in.width = 301;
    in.height = PickerListHeight(rows, plain) + 1;
    const auto height24 = [](int) { return 24; };
    const std::vector<PickerPaintOp> a = PickerPaintPlan(in, height24);
    in.metrics = scaled;
    const std::vector<PickerPaintOp> b = PickerPaintPlan(in, height24);
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].kind, b[i].kind) << i;
        EXPECT_EQ(a[i].rect, b[i].rect) << i;
        EXPECT_EQ(a[i].a, b[i].a) << i;
        EXPECT_EQ(a[i].b, b[i].b) << i;
        EXPECT_EQ(a[i].c, b[i].c) << i;
        EXPECT_EQ(a[i].ellipse, b[i].ellipse) << i;
        EXPECT_EQ(a[i].lineWidth, b[i].lineWidth) << i;
    }
}

TEST(PickerAtScale, ListHeightAsTable) {
    const std::vector<_ZuItemListDB> rows = Rows("ffgsf");  // four rows and a separator
    struct Case {
        int dpi, height, empty, noCatalogue;
    } cases[] = {
        {96, 8 + 4 * 36 + 8, 8, 8 + 36},
        {120, 10 + 4 * 45 + 10, 10, 10 + 45},
        {144, 12 + 4 * 54 + 12, 12, 12 + 54},
        {192, 16 + 4 * 72 + 16, 16, 16 + 72},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PickerListHeight(rows, At(c.dpi)), c.height) << c.dpi;
        EXPECT_EQ(PickerListHeight({}, At(c.dpi)), c.empty) << c.dpi;
        EXPECT_EQ(PickerListHeight({}, At(c.dpi), true), c.noCatalogue) << c.dpi;
    }
}

// ------------------------------------------------------------------------------------------ the pointer

TEST(PickerAtScale, RowUnderThePointOnScaledRowsAsTable) {
    const std::vector<_ZuItemListDB> rows = Rows("fffsff");
    struct Case {
        int dpi, x, y, expect;
    } cases[] = {
        // 150 %: rows of 54 from y 6, the separator 12 high, the right edge at 450 - 12.
        {144, 6, 6, 0},
        {144, 5, 6, -1},
        {144, 6, 5, -1},
        {144, 100, 59, 0},
        {144, 100, 60, 1},     // where a 96-DPI list's row 1 would still be row 1 at y 40 ...
        {144, 100, 40, 0},     // ... the scaled list still has row 0
        {144, 100, 167, 2},
        {144, 100, 168, 3},    // the separator
        {144, 100, 179, 3},
        {144, 100, 180, 4},
        {144, 437, 100, 1},
        {144, 438, 100, -1},
        {144, 100, 287, 5},
        {144, 100, 288, -1},   // the bottom margin: 6 + 3 * 54 + 12 + 2 * 54 = 288
        // 200 %: rows of 72 from y 8, the right edge at 600 - 16.
        {192, 100, 8, 0},
        {192, 100, 79, 0},
        {192, 100, 80, 1},
        {192, 583, 100, 1},
        {192, 584, 100, -1},
        {192, 100, 224, 3},
        {192, 100, 240, 4},
        // 125 %: rows of 45 from y 5.
        {120, 100, 49, 0},
        {120, 100, 50, 1},
        {120, 364, 60, 1},
        {120, 365, 60, -1},
    };
    for (const Case& c : cases) {
        const PickerMetrics m = At(c.dpi);
        const int clientHeight = PickerListHeight(rows, m);
        EXPECT_EQ(PickerRowAt(rows, 0, m.listWidth, clientHeight, {c.x, c.y}, m), c.expect)
            << c.dpi << " DPI at " << c.x << "," << c.y;
    }
}

TEST(PickerAtScale, TheMiddleOfEveryRowIsThatRowAtEveryScale) {
    // What a test or a user aims at: the centre of a row, computed from the scaled figures.
    const std::vector<_ZuItemListDB> rows = Rows("fgfsffgf");
    for (int dpi : {96, 120, 144, 168, 192}) {
        const PickerMetrics m = At(dpi);
        const int clientHeight = PickerListHeight(rows, m);
        int y = m.margin;
        for (int k = 0; k < int(rows.size()); ++k) {
            const int h = PickerRowHeight(rows, k, m);
            EXPECT_EQ(PickerRowAt(rows, 0, m.listWidth, clientHeight, {m.listWidth / 2, y + h / 2}, m), k)
                << dpi << " row " << k;
            y += h;
        }
        EXPECT_EQ(y + m.margin, clientHeight) << dpi;
    }
}

TEST(PickerAtScale, WheelOnScaledRows) {
    const std::vector<_ZuItemListDB> six = Rows("fgfffg");
    const std::vector<_ZuItemListDB> forty = Rows(std::string(40, 'f'));
    for (int dpi : {120, 144, 192}) {
        const PickerMetrics m = At(dpi);
        // All rows fit at their own scale: nothing to bring up.
        EXPECT_EQ(PickerWheelTarget(six, 0, PickerListHeight(six, m), -120, m), 0) << dpi;
        // The same rows in a window sized for 96 DPI no longer fit: the wheel moves them.
        EXPECT_EQ(PickerWheelTarget(six, 0, PickerListHeight(six, PickerMetrics()), -120, m), 1) << dpi;
        // A cut list scrolls until its last row shows whole, then stops.
        const int client = 2 * m.margin + 10 * m.rowHeight;
        EXPECT_EQ(PickerWheelTarget(forty, 29, client, -120, m), 30) << dpi;
        EXPECT_EQ(PickerWheelTarget(forty, 30, client, -120, m), 30) << dpi;
    }
}

TEST(PickerAtScale, ASlideTakesAsManyStepsAndEndsAtRestAtEveryScale) {
    const std::vector<_ZuItemListDB> rows = Rows(std::string(40, 'f'));
    const std::vector<int> at192 = {72, 64, 56, 48, 40, 32, 24, 16, 8, 4, 0};
    const std::vector<int> at120 = {45, 40, 35, 30, 25, 20, 15, 10, 5, 2, 0};  // odd rows stop at 0 too
    for (int dpi : {96, 120, 144, 192}) {
        PickerScroll scroll{0, 1, 0};
        std::vector<int> offsets;
        for (int i = 0; i < 40 && PickerScrollTick(scroll, rows, At(dpi)); ++i) offsets.push_back(scroll.scrollOffset);
        EXPECT_TRUE(scroll.AtRest()) << dpi;
        EXPECT_EQ(offsets.size(), 11u) << dpi;
        if (dpi == 192) {
            EXPECT_EQ(offsets, at192);
        }
        if (dpi == 120) {
            EXPECT_EQ(offsets, at120);
        }
    }
}

// ------------------------------------------------------------------------------------------ placement

TEST(PickerAtScale, PlacementInTheWorkAreaAsTable) {
    const PickerRect work{0, 0, 1280, 984};  // a 1280 x 1024 screen with a taskbar of 40
    const std::vector<_ZuItemListDB> top = Rows("fggggg");
    const std::vector<_ZuItemListDB> long60 = Rows(std::string(60, 'f'));
    struct Case {
        const char* what;
        int dpi, x, y;
        const std::vector<_ZuItemListDB>* rows;
        int expectX, expectY, expectWidth, expectHeight;
    } cases[] = {
        {"fits at 150 %", 144, 100, 100, &top, 100, 100, 450, 12 + 6 * 54},
        {"across the right edge at 150 %", 144, 1000, 100, &top, 1280 - 450 + 1, 100, 450, 336},
        {"right edge exactly at 200 %", 192, 680, 100, &top, 680, 100, 600, 16 + 6 * 72},
        {"across the right edge at 200 %", 192, 681, 100, &top, 681, 100, 600, 448},
        {"one pixel further at 200 %", 192, 682, 100, &top, 681, 100, 600, 448},
        {"below the bottom at 200 %", 192, 100, 700, &top, 100, 984 - 448, 600, 448},
        {"cut to whole rows at 150 %", 144, 100, 0, &long60, 100, 984 - (12 + 18 * 54), 450, 12 + 18 * 54},
        {"cut to whole rows at 200 %", 192, 100, 0, &long60, 100, 984 - (16 + 13 * 72), 600, 16 + 13 * 72},
        {"cut to whole rows at 125 %", 120, 100, 0, &long60, 100, 984 - (10 + 21 * 45), 375, 10 + 21 * 45},
        {"cut to whole rows at 100 %", 96, 100, 0, &long60, 100, 984 - (8 + 27 * 36), 300, 8 + 27 * 36},
    };
    for (const Case& c : cases) {
        const PickerMetrics m = At(c.dpi);
        const PickerPlacement p = PlacePickerList(c.x, c.y, PickerListHeight(*c.rows, m), work, m);
        EXPECT_EQ(p.x, c.expectX) << c.what;
        EXPECT_EQ(p.y, c.expectY) << c.what;
        EXPECT_EQ(p.width, c.expectWidth) << c.what;
        EXPECT_EQ(p.height, c.expectHeight) << c.what;
        EXPECT_LE(p.y + p.height, work.bottom) << c.what;
        EXPECT_LE(p.x + p.width, work.right + 1) << c.what;
    }
}

TEST(PickerAtScale, SubListsAtTheScreenEdgeAsTable) {
    const PickerRect monitor{0, 0, 1280, 1024};
    const std::vector<_ZuItemListDB> rows = Rows("fgsgg");
    struct Case {
        const char* what;
        int dpi;
        PickerRect creator;
        int groupId;
        bool opensLeft;
        int row;
        int expectX, expectY;
        bool expectLeft;
    } cases[] = {
        {"150 %: right, overlapping 17", 144, {100, 100, 550, 400}, 0, false, 1, 533, 100 + 6 + 54, false},
        {"150 %: right edge exactly", 144, {400, 100, 847, 400}, 0, false, 1, 830, 160, false},
        {"150 %: one pixel more opens left", 144, {500, 100, 848, 400}, 0, false, 1, 500 - 450 + 17, 160, true},
        {"150 %: the row under a separator", 144, {100, 100, 550, 400}, 0, false, 3, 533, 100 + 6 + 54 * 2 + 12,
         false},
        {"200 %: right edge exactly", 192, {102, 100, 702, 400}, 0, false, 1, 680, 180, false},
        {"200 %: crosses it, opens left", 192, {600, 100, 1200, 400}, 0, false, 1, 22, 180, true},
        {"200 %: keeps opening left", 192, {700, 100, 1300, 400}, 10, true, 1, 122, 180, true},
        {"200 %: left edge exactly", 192, {578, 100, 1178, 400}, 10, true, 1, 0, 180, true},
        // Neither side has room for a 600-pixel list beside these: it is pulled back onto the monitor.
        {"200 %: crosses the left edge, back right, kept on", 192, {577, 100, 1177, 400}, 10, true, 1, 680, 180,
         false},
        {"200 %: no room on the right, left is kept on", 192, {300, 100, 900, 400}, 0, false, 1, 0, 180, true},
        {"125 %: overlapping 14", 120, {100, 100, 475, 400}, 0, false, 1, 461, 100 + 5 + 45, false},
    };
    for (const Case& c : cases) {
        const SubListPlacement p =
            PlaceSubList(c.creator, monitor, c.groupId, c.opensLeft, rows, 0, c.row, At(c.dpi));
        EXPECT_EQ(p.x, c.expectX) << c.what;
        EXPECT_EQ(p.y, c.expectY) << c.what;
        EXPECT_EQ(p.opensLeft, c.expectLeft) << c.what;
    }
}

// ------------------------------------------------------------------------------------------ painting

TEST(PickerAtScale, APaintAt200PercentIsTheSameListTwiceAsLarge) {
    const std::vector<_ZuItemListDB> rows = Rows("gs");
    const PickerMetrics m = At(192);
    PickerPaintInput in;
    in.rows = &rows;
    in.hoverIndex = 0;
    in.groupIconId = 144;
    in.width = m.listWidth + 1;
    in.height = PickerListHeight(rows, m) + 1;  // 16 + 72 + 16 + 1
    in.metrics = m;
    const std::vector<PickerPaintOp> plan = PickerPaintPlan(in, [](int) { return 24; });
    using K = PickerPaintOpKind;
    ASSERT_EQ(plan.size(), 7u + 4u + 2u);
    for (int i = 0; i < 4; ++i) {  // the shadow's rims, two pixels apart
        EXPECT_EQ(plan[i].rect, (PickerRect{2 * i, 2 * i, 600 - 2 * i, 104 - 2 * i})) << i;
        EXPECT_EQ(plan[i].ellipse, 2 * (7 - i)) << i;
    }
    EXPECT_EQ(plan[4].rect, (PickerRect{8, 8, 592, 96}));  // the clip, inside the margin
    EXPECT_EQ(plan[4].ellipse, 6);
    EXPECT_EQ(plan[6].rect, (PickerRect{72, 0, 72 + 601 - 64, 105}));  // the text column
    const PickerPaintOp& highlight = plan[7];
    EXPECT_EQ(highlight.kind, K::GradientRoundRegion);
    EXPECT_EQ(highlight.rect, (PickerRect{10, 10, 601 - 12, 6 + 72}));
    const PickerPaintOp& folder = plan[8];
    ASSERT_EQ(folder.kind, K::Image);
    EXPECT_EQ(folder.rect, (PickerRect{16, 8 + 12, 16 + 48, 8 + 12 + 48}));  // 48 x 48, centred in 72
    const PickerPaintOp& arrow = plan[9];
    ASSERT_EQ(arrow.kind, K::Triangle);
    EXPECT_EQ(arrow.a, (PickerPoint{601 - 24, 6 + 36}));
    EXPECT_EQ(arrow.b, (PickerPoint{601 - 40, 6 + 36 + 10}));
    const PickerPaintOp& name = plan[10];
    ASSERT_EQ(name.kind, K::Text);
    EXPECT_EQ(name.rect, (PickerRect{80, 8, 80 + 601 - 82, 8 + 72}));
    // The separator below: two lines two pixels wide, one under the other.
    ASSERT_EQ(plan[11].kind, K::Line);
    ASSERT_EQ(plan[12].kind, K::Line);
    EXPECT_EQ(plan[11].lineWidth, 2);
    EXPECT_EQ(plan[11].a, (PickerPoint{80, 72 + 8 + 8}));
    EXPECT_EQ(plan[12].a, (PickerPoint{80, 72 + 8 + 8 + 2}));
    EXPECT_EQ(plan[11].b.x, 601 - 20);
}

// ------------------------------------------------------------------------------------------ the tooltip

class LinearMeasurer : public TipTextMeasurer {
public:
    TipTextSize Measure(const std::wstring& text, int pixels) const override {
        return MeasureIn(text, pixels, kTipLayoutWidth, kTipLayoutHeight);
    }
    TipTextSize MeasureIn(const std::wstring& text, int pixels, int layoutWidth, int layoutHeight) const override {
        asked.push_back({pixels, layoutWidth, layoutHeight});
        return {0.5f * float(pixels) * float(text.size()), 1.2f * float(pixels)};
    }
    struct Ask {
        int pixels, layoutWidth, layoutHeight;
    };
    mutable std::vector<Ask> asked;
};

TEST(TipAtScale, FontMarginsAndBoxGrowWithTheScaleAsTable) {
    struct Case {
        int dpi, drawn, measured, pad, half, boxWidth, boxHeight;
    } cases[] = {
        {96, 20, 25, 28, 14, 1024, 100},
        {120, 25, 31, 35, 18, 1280, 125},
        {144, 30, 37, 42, 21, 1536, 150},
        {192, 40, 50, 56, 28, 2048, 200},
    };
    for (const Case& c : cases) {
        const DisplayScale scale = DisplayScale::FromDpi(c.dpi);
        EXPECT_EQ(TipDrawFontPixels(20, scale), c.drawn) << c.dpi;
        LinearMeasurer measurer;
        const TipPlacement place = PlaceTip(640, 500, L"Copy", 20, measurer, scale);
        ASSERT_EQ(measurer.asked.size(), 1u);
        EXPECT_EQ(measurer.asked[0].pixels, c.measured) << c.dpi;
        EXPECT_EQ(measurer.asked[0].layoutWidth, c.boxWidth) << c.dpi;
        EXPECT_EQ(measurer.asked[0].layoutHeight, c.boxHeight) << c.dpi;
        const double w = 0.5 * c.measured * 4;
        const double h = 1.2f * float(c.measured);
        EXPECT_EQ(place.width, int(w + 0.125 * w + c.pad)) << c.dpi;
        EXPECT_EQ(place.height, int(h + c.pad)) << c.dpi;
        EXPECT_EQ(place.left, int(640 - 0.5625 * w - c.half)) << c.dpi;
        EXPECT_EQ(place.top, int(500 - 0.5 * h - c.half)) << c.dpi;
        EXPECT_NEAR(place.left + place.width / 2.0, 640, 1.5) << c.dpi;
        EXPECT_NEAR(place.top + place.height / 2.0, 500, 1.5) << c.dpi;
    }
}

TEST(TipAtScale, AMeasurementIsHeldToTheScaledBox) {
    const TipPlacement place = PlaceTipAround(0, 0, {1e30f, 1e30f}, DisplayScale::FromDpi(192));
    EXPECT_EQ(place.width, int(2048 * 1.125 + 56));
    EXPECT_EQ(place.height, 200 + 56);
    // The bare bar (nothing measured) is the margins alone.
    const TipPlacement bare = PlaceTipAround(300, 200, {0, 0}, DisplayScale::FromDpi(144));
    EXPECT_EQ(bare.width, 42);
    EXPECT_EQ(bare.height, 42);
    EXPECT_EQ(bare.left, 300 - 21);
}

// ------------------------------------------------------------------------------------------ a DPI change

TEST(OverlayDpiChange, DecisionsAsTable) {
    const DisplayScale at144 = DisplayScale::FromDpi(144);
    struct Case {
        const char* what;
        OverlayKind kind;
        DisplayScale current;
        int messageDpi;
        bool shown;
        bool take, rescale, relayout, redraw;
        int scale;
    } cases[] = {
        {"a list: re-placed at the new scale", OverlayKind::PickerList, at144, 192, true, true, true, true, true, 192},
        {"a list back to 100 %", OverlayKind::PickerList, at144, 96, true, true, true, true, true, 96},
        {"a list already at it (re-placed by its creator)", OverlayKind::PickerList, at144, 144, true, false, false,
         false, false, 144},
        {"a hidden list keeps the scale for its next show", OverlayKind::PickerList, at144, 192, false, false, true,
         false, false, 192},
        {"the tip: placed again around its point", OverlayKind::Tip, at144, 192, true, true, true, true, true, 192},
        {"the gesture indicator: its new size", OverlayKind::GestureIndicator, at144, 120, true, true, true, false,
         true, 120},
        {"the magnifier", OverlayKind::Magnifier, DisplayScale(), 144, true, true, true, false, true, 144},
        {"a dim panel covers its monitor as it is", OverlayKind::DimPanel, at144, 192, true, false, false, false,
         false, 144},
        {"a DPI of 0 is no DPI", OverlayKind::PickerList, at144, 0, true, false, false, false, false, 144},
        {"nor is 100000", OverlayKind::Tip, at144, 100000, true, false, false, false, false, 144},
    };
    for (const Case& c : cases) {
        const OverlayDpiDecision d = DecideOverlayDpiChange(c.kind, c.current, c.messageDpi, c.shown);
        EXPECT_EQ(d.takeSuggested, c.take) << c.what;
        EXPECT_EQ(d.rescale, c.rescale) << c.what;
        EXPECT_EQ(d.relayout, c.relayout) << c.what;
        EXPECT_EQ(d.redraw, c.redraw) << c.what;
        EXPECT_EQ(d.scale.dpi, c.scale) << c.what;
        EXPECT_EQ(d.Anything(), c.take || c.rescale || c.relayout || c.redraw) << c.what;
    }
}

TEST(OverlayDpiChange, AChainOfListsIsReplacedOnceWhateverOrderTheMessagesCome) {
    // The top list takes 192 and re-places its sub-list at 192; the sub-list's own message comes after and
    // must not scale it a second time. Had the sub-list come first, it takes the scale itself, and the top
    // list's re-placing then only moves it.
    DisplayScale top = DisplayScale::FromDpi(144), sub = top;
    OverlayDpiDecision first = DecideOverlayDpiChange(OverlayKind::PickerList, top, 192, true);
    ASSERT_TRUE(first.relayout);
    top = sub = first.scale;  // the chain re-placed from the top
    EXPECT_FALSE(DecideOverlayDpiChange(OverlayKind::PickerList, sub, 192, true).Anything());

    top = sub = DisplayScale::FromDpi(144);
    OverlayDpiDecision subFirst = DecideOverlayDpiChange(OverlayKind::PickerList, sub, 192, true);
    sub = subFirst.scale;
    EXPECT_TRUE(DecideOverlayDpiChange(OverlayKind::PickerList, top, 192, true).relayout);
    EXPECT_EQ(sub.dpi, 192);
}

// ------------------------------------------------------------------------------------------ indicator, magnifier

TEST(OverlaySizes, GestureIndicatorAndMagnifierAsTable) {
    struct Case {
        int dpi, side, below, magnifier;
    } cases[] = {{96, 32, 50, 300}, {120, 40, 63, 375}, {144, 48, 75, 450}, {192, 64, 100, 600}};
    for (const Case& c : cases) {
        const DisplayScale scale = DisplayScale::FromDpi(c.dpi);
        const GestureIndicatorLayout g = GestureIndicatorLayout::ForScale(scale);
        EXPECT_EQ(g.side, c.side) << c.dpi;
        EXPECT_EQ(g.belowCursor, c.below) << c.dpi;
        EXPECT_EQ(MagnifierSide(scale), c.magnifier) << c.dpi;
    }
}

TEST(OverlaySizes, TheMagnifierShowsHalfItsSideAroundTheCursor) {
    const MagnifierSource at96 = MagnifierSourceAround(640, 512, 300, 300);
    EXPECT_EQ(at96.left, 640 - 75);
    EXPECT_EQ(at96.top, 512 - 75);
    EXPECT_EQ(at96.width, 150);
    EXPECT_EQ(at96.height, 150);
    const MagnifierSource at192 = MagnifierSourceAround(640, 512, 600, 600);
    EXPECT_EQ(at192.left, 640 - 150);
    EXPECT_EQ(at192.width, 300);  // still twice the size: 300 screen pixels onto 600
}

}  // namespace
