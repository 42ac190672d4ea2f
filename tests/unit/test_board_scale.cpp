// The board at the scale of the monitor it covers: its figures at 100, 125, 150 and 200 %, the pen and the
// outline drawn that wide, the repaints that still cover what a move changes, the spotlight's side from its
// 100 % setting, and when a change of the monitor's DPI closes an open board.
#include "input/MouseHookRules.h"
#include "overlays/BoardModel.h"
#include "overlays/BoardRaster.h"
#include "shell/ProcessState.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kDpis[] = {96, 120, 144, 192};

DisplayScale At(int dpi) { return DisplayScale::FromDpi(dpi); }

struct Canvas {
    int width, height;
    std::vector<uint32_t> pixels;
    Canvas(int w, int h, uint32_t fill = 0xFF204060) : width(w), height(h), pixels(std::size_t(w) * h, fill) {}
    BoardPixels View() { return {pixels.data(), width, height}; }
    uint32_t At(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
};

// Every pixel that differs between the two pictures lies in one of the rectangles.
void ExpectChangesCovered(const Canvas& a, const Canvas& b, const std::vector<BoardRect>& dirty,
                          const std::string& what) {
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width; ++x) {
            const std::size_t i = std::size_t(y) * a.width + x;
            if (a.pixels[i] == b.pixels[i]) continue;
            bool covered = false;
            for (const BoardRect& r : dirty) covered = covered || r.Contains({x, y});
            ASSERT_TRUE(covered) << what << ": pixel " << x << "," << y << " changed outside the repaint";
        }
    }
}

// The run of pixels of `value` through column x, from row y going down and up: its length.
int VerticalRun(const Canvas& c, int x, int y, uint32_t value) {
    if (c.At(x, y) != value) return 0;
    int top = y, bottom = y;
    while (top > 0 && c.At(x, top - 1) == value) --top;
    while (bottom + 1 < c.height && c.At(x, bottom + 1) == value) ++bottom;
    return bottom - top + 1;
}

}  // namespace

TEST(BoardScale, AtOneHundredPercentEveryFigureIsAsWritten) {
    const BoardMetrics m = BoardMetrics::For(At(96));
    EXPECT_EQ(m.scale.dpi, 96);
    EXPECT_EQ(m.strokeWidth, 16);
    EXPECT_EQ(m.penCursorBox, 40);
    EXPECT_EQ(m.penFillDiameter, 12);
    EXPECT_EQ(m.penRingDiameter, 16);
    EXPECT_EQ(m.penRingWidth, 4);
    EXPECT_EQ(m.outlineWidth, 2);
    EXPECT_EQ(m.outlineDash, 6);
    EXPECT_EQ(m.outlineGap, 2);
    EXPECT_EQ(m.cursorSide, 32);
    // The defaults every drawing function takes are the same figures.
    const BoardMetrics defaults;
    EXPECT_EQ(defaults.strokeWidth, m.strokeWidth);
    EXPECT_EQ(defaults.penCursorBox, m.penCursorBox);
    EXPECT_EQ(defaults.outlineWidth, m.outlineWidth);
    EXPECT_EQ(defaults.cursorSide, m.cursorSide);
    EXPECT_EQ(StrokeBox({10, 10}, {50, 20}), StrokeBox({10, 10}, {50, 20}, m.strokeWidth));
    EXPECT_EQ(StrokeBox({10, 10}, {50, 20}), (BoardRect{1, 1, 60, 30}));
}

TEST(BoardScale, FiguresAtEachScale) {
    struct Row {
        int dpi, stroke, box, fill, ring, ringWidth, outline, dash, gap, cursor;
    } rows[] = {
        {120, 20, 50, 15, 20, 5, 3, 8, 3, 40},
        {144, 24, 60, 18, 24, 6, 3, 9, 3, 48},
        {192, 32, 80, 24, 32, 8, 4, 12, 4, 64},
    };
    for (const Row& r : rows) {
        const BoardMetrics m = BoardMetrics::For(At(r.dpi));
        EXPECT_EQ(m.strokeWidth, r.stroke) << r.dpi;
        EXPECT_EQ(m.penCursorBox, r.box) << r.dpi;
        EXPECT_EQ(m.penFillDiameter, r.fill) << r.dpi;
        EXPECT_EQ(m.penRingDiameter, r.ring) << r.dpi;
        EXPECT_EQ(m.penRingWidth, r.ringWidth) << r.dpi;
        EXPECT_EQ(m.outlineWidth, r.outline) << r.dpi;
        EXPECT_EQ(m.outlineDash, r.dash) << r.dpi;
        EXPECT_EQ(m.outlineGap, r.gap) << r.dpi;
        EXPECT_EQ(m.cursorSide, r.cursor) << r.dpi;
        // The pen cursor's box holds its ring.
        EXPECT_GE(m.penCursorBox, m.penRingDiameter + m.penRingWidth) << r.dpi;
    }
}

TEST(BoardScale, AStrokeIsThePensWidthAcrossAndStaysInItsBox) {
    for (int dpi : kDpis) {
        const BoardMetrics m = BoardMetrics::For(At(dpi));
        Canvas before(400, 200, 0), after(400, 200, 0);
        const BoardPoint from{40, 100}, to{360, 100};
        const BoardRect touched = StampStroke(after.View(), from, to, StrokeColour(0), m.strokeWidth);
        const uint32_t ink = Premultiply(StrokeColour(0));
        // Across a horizontal stroke, in its middle: exactly the pen's width.
        EXPECT_EQ(VerticalRun(after, 200, 100, ink), m.strokeWidth) << dpi;
        EXPECT_EQ(touched.Height(), m.strokeWidth) << dpi;
        // The round cap reaches half the pen past the end.
        EXPECT_EQ(touched.right - to.x, m.strokeWidth / 2) << dpi;
        ExpectChangesCovered(before, after, {StrokeBox(from, to, m.strokeWidth)}, "stroke " + std::to_string(dpi));
        // A dot and a diagonal too.
        Canvas dot(200, 200, 0);
        const BoardRect dotBox = StampStroke(dot.View(), {100, 100}, {100, 100}, StrokeColour(1), m.strokeWidth);
        EXPECT_EQ(dotBox.Width(), m.strokeWidth) << dpi;
        Canvas blank(400, 300, 0), diagonal(400, 300, 0);
        StampStroke(diagonal.View(), {30, 20}, {370, 280}, StrokeColour(2), m.strokeWidth);
        ExpectChangesCovered(blank, diagonal, {StrokeBox({30, 20}, {370, 280}, m.strokeWidth)},
                             "diagonal " + std::to_string(dpi));
    }
    // Odd pens, between the usual scales, keep to their box as well.
    for (int width : {17, 21, 27}) {
        Canvas blank(300, 300, 0), stroke(300, 300, 0);
        StampStroke(stroke.View(), {50, 60}, {250, 231}, StrokeColour(0), width);
        ExpectChangesCovered(blank, stroke, {StrokeBox({50, 60}, {250, 231}, width)}, "odd " + std::to_string(width));
    }
}

TEST(BoardScale, ThePenCursorGrowsWithTheScaleAndKeepsToItsBox) {
    int drawnAt96 = 0;
    for (int dpi : kDpis) {
        const BoardMetrics m = BoardMetrics::For(At(dpi));
        Canvas before(200, 200), after(200, 200);
        const BoardPoint at{100, 100};
        DrawPenCursor(after.View(), at, 0, after.View().Bounds(), m);
        ExpectChangesCovered(before, after, {SquareAround(at, m.penCursorBox)}, "pen " + std::to_string(dpi));
        int drawn = 0;
        for (std::size_t i = 0; i < after.pixels.size(); ++i) drawn += after.pixels[i] != before.pixels[i];
        if (dpi == 96) drawnAt96 = drawn;
        // The pen's area grows with the square of the scale (within the rounding of a few edge pixels).
        const double expected = drawnAt96 * (dpi / 96.0) * (dpi / 96.0);
        EXPECT_NEAR(drawn, expected, expected * 0.12) << dpi;
        // The ring's outer edge: half the ring's diameter plus half its pen from the centre.
        const int outer = m.penRingDiameter / 2 + m.penRingWidth / 2;
        EXPECT_NE(after.At(at.x + outer - 1, at.y), before.At(at.x + outer - 1, at.y)) << dpi;
        EXPECT_EQ(after.At(at.x + outer + 1, at.y), before.At(at.x + outer + 1, at.y)) << dpi;
    }
    // The frame takes the scene's figures: a highlighter frame at 200 % shows the larger pen.
    Canvas screen(200, 200), ink(200, 200, 0), small(200, 200), large(200, 200);
    BoardScene scene;
    scene.mode = BoardMode::Highlighter;
    scene.penCursor = true;
    scene.penAt = {100, 100};
    ComposeFrame(small.View(), screen.View(), ink.View(), scene, small.View().Bounds());
    scene.metrics = BoardMetrics::For(At(192));
    ComposeFrame(large.View(), screen.View(), ink.View(), scene, large.View().Bounds());
    const int ring200 = 16 + 4;  // at 200 % the ring's outer radius is 20
    EXPECT_EQ(small.At(100 + ring200 - 2, 100), screen.At(100 + ring200 - 2, 100));
    EXPECT_NE(large.At(100 + ring200 - 2, 100), screen.At(100 + ring200 - 2, 100));
}

TEST(BoardScale, TheOutlineIsAsWideAndAsDashedAsTheScaleAndItsMovesRepaintIt) {
    for (int dpi : kDpis) {
        const BoardMetrics m = BoardMetrics::For(At(dpi));
        const BoardRect selection{100, 80, 301, 201};
        Canvas plain(400, 300), outlined(400, 300);
        DrawRectOutline(outlined.View(), selection, outlined.View().Bounds(), m);
        // Across the top edge, in the middle of a dash (x = 0 starts one): the outline's width, straddling
        // the edge with at least half of it outside the selection.
        int across = 0, outside = 0;
        for (int y = 60; y < 100; ++y) {
            if (outlined.At(120 - 120 % (m.outlineDash + m.outlineGap), y) != plain.At(0, 0)) {
                ++across;
                outside += y < selection.top;
            }
        }
        EXPECT_EQ(across, m.outlineWidth) << dpi;
        EXPECT_GE(outside, m.outlineWidth - m.outlineWidth / 2) << dpi;
        // Along the top edge: dashes of outlineDash pixels and gaps of outlineGap.
        const int y = selection.top - 1;
        int x = 150;
        while (outlined.At(x, y) != plain.At(x, y)) ++x;  // past the dash under way
        while (outlined.At(x, y) == plain.At(x, y)) ++x;  // and its gap: a whole dash begins
        int dash = 0, gap = 0;
        while (outlined.At(x + dash, y) != plain.At(x + dash, y)) ++dash;
        while (outlined.At(x + dash + gap, y) == plain.At(x + dash + gap, y)) ++gap;
        EXPECT_EQ(dash, m.outlineDash) << dpi;
        EXPECT_EQ(gap, m.outlineGap) << dpi;

        // A drag's move repaints every pixel it changes, and the free-form segment's box too.
        const BoardRect moved{100, 80, 333, 240};
        Canvas next(400, 300);
        DrawRectOutline(next.View(), moved, next.View().Bounds(), m);
        ExpectChangesCovered(outlined, next, SelectionMoveDirty(selection, moved, m.outlineWidth),
                             "rectangle " + std::to_string(dpi));
        std::vector<BoardPoint> points = {{100, 100}, {180, 120}, {220, 200}};
        Canvas a(400, 300), b(400, 300);
        DrawPolylineOutline(a.View(), points, a.View().Bounds(), m);
        points.push_back({90, 260});
        DrawPolylineOutline(b.View(), points, b.View().Bounds(), m);
        ExpectChangesCovered(a, b, {OutlineSegmentBox({220, 200}, {90, 260}, m.outlineWidth)},
                             "segment " + std::to_string(dpi));
    }
}

TEST(BoardScale, TheSpotlightSettingIsInHundredPercentPixels) {
    // The start of 400 covers a square of 400 pixels at 100 % and as much of the screen, to the eye, at 150 %.
    EXPECT_EQ(SpotlightSide(kSpotlightRadiusStart, At(96)), 400);
    EXPECT_EQ(SpotlightSide(kSpotlightRadiusStart, At(120)), 500);
    EXPECT_EQ(SpotlightSide(kSpotlightRadiusStart, At(144)), 600);
    EXPECT_EQ(SpotlightSide(kSpotlightRadiusStart, At(192)), 800);
    // The corners keep their third of the side.
    EXPECT_EQ(SpotlightCornerRadius(SpotlightSide(kSpotlightRadiusStart, At(144))), 200);
    // A wheel notch changes the setting by its 100 % step; the board shows it at the scale.
    for (int dpi : kDpis) {
        const int notch =
            SpotlightSide(kSpotlightRadiusStart + kSpotlightStepPixels, At(dpi)) - SpotlightSide(kSpotlightRadiusStart, At(dpi));
        EXPECT_EQ(notch, At(dpi).Px(kSpotlightStepPixels)) << dpi;
    }
    // The bounds: at 200 % the largest square is twice the 100 % one.
    EXPECT_EQ(SpotlightSide(kSpotlightRadiusMax, At(192)), 2 * kSpotlightRadiusMax);
    EXPECT_EQ(SpotlightSide(kSpotlightRadiusMin, At(144)), 150);
}

TEST(BoardScale, ADpiChangeClosesAnOpenBoardAtAnotherScaleOnly) {
    EXPECT_TRUE(DpiChangeClosesBoard(true, 144, 192));
    EXPECT_TRUE(DpiChangeClosesBoard(true, 96, 144));
    EXPECT_TRUE(DpiChangeClosesBoard(true, 192, 96));
    EXPECT_FALSE(DpiChangeClosesBoard(true, 144, 144));  // a message that changes nothing
    EXPECT_FALSE(DpiChangeClosesBoard(false, 96, 192));  // a closed board opens at whatever scale it finds
    // A nonsense figure is read as 100 %, as everywhere else.
    EXPECT_FALSE(DpiChangeClosesBoard(true, 96, 0));
    EXPECT_TRUE(DpiChangeClosesBoard(true, 144, 0));

    BoardModel model;
    model.metrics = BoardMetrics::For(At(144));
    EXPECT_FALSE(model.DpiChangeCloses(192));  // closed
    model.mode = BoardMode::Spotlight;
    EXPECT_TRUE(model.DpiChangeCloses(192));
    EXPECT_FALSE(model.DpiChangeCloses(144));
    model.mode = BoardMode::Highlighter;
    EXPECT_TRUE(model.DpiChangeCloses(96));
}

namespace {

class RecordingHost : public BoardHost {
public:
    BoardPoint cursor;
    std::vector<BoardRect> refreshed;
    BoardPoint CursorPoint() override { return cursor; }
    bool Shown() override { return true; }
    void Show() override {}
    void Hide() override {}
    void Refresh(const BoardRect& r) override { refreshed.push_back(r); }
    void RefreshAll() override {}
    void Stroke(BoardPoint, BoardPoint) override {}
    void SaveSnap(SnapTarget) override {}
    void Recapture() override {}
    void MoveSpotlight(BoardPoint) override {}
};

}  // namespace

// The model asks for repaints at the board's figures: a frame rendered from them afterwards differs from the
// frame before only inside what it asked for.
TEST(BoardScale, TheModelRepaintsThePenAndTheOutlineAtTheBoardsScale) {
    for (int dpi : kDpis) {
        BoardModel model;
        model.mode = BoardMode::Highlighter;
        model.OnCapture();
        model.metrics = BoardMetrics::For(At(dpi));
        RecordingHost host;
        host.cursor = {100, 100};
        model.OnRawMouse(1, 0, 0, 0, host);
        Canvas screen(300, 300), ink(300, 300, 0), before(300, 300), after(300, 300);
        ComposeFrame(before.View(), screen.View(), ink.View(), model.Scene(), before.View().Bounds());
        host.refreshed.clear();
        host.cursor = {160, 130};
        model.OnRawMouse(60, 30, 0, 0, host);
        ComposeFrame(after.View(), screen.View(), ink.View(), model.Scene(), after.View().Bounds());
        ExpectChangesCovered(before, after, host.refreshed, "pen move " + std::to_string(dpi));
        ASSERT_FALSE(host.refreshed.empty());
        EXPECT_EQ(host.refreshed.back().Width(), model.metrics.penCursorBox) << dpi;

        BoardModel snap;
        snap.mode = BoardMode::Rectangle;
        snap.OnCapture();
        snap.metrics = BoardMetrics::For(At(dpi));
        RecordingHost drag;
        drag.cursor = {50, 60};
        snap.OnRawMouse(0, 0, kRawLeftDown, 0, drag);
        drag.cursor = {200, 150};
        snap.OnRawMouse(1, 1, 0, 0, drag);
        Canvas first(300, 300), second(300, 300);
        ComposeFrame(first.View(), screen.View(), ink.View(), snap.Scene(), first.View().Bounds());
        drag.refreshed.clear();
        drag.cursor = {240, 210};
        snap.OnRawMouse(1, 1, 0, 0, drag);
        ComposeFrame(second.View(), screen.View(), ink.View(), snap.Scene(), second.View().Bounds());
        ExpectChangesCovered(first, second, drag.refreshed, "selection move " + std::to_string(dpi));
    }
}
