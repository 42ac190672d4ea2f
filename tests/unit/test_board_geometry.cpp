// The board's geometry: selections both ways, the colour wheel, the spotlight's square and corners, filled
// polygons against a brute-force even-odd test, the spotlight's window region, and that the dirty rectangles
// of each kind of move hold every pixel the move changes.
#include "overlays/BoardGeometry.h"
#include "overlays/BoardRaster.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <ostream>
#include <random>
#include <vector>

// Found by argument-dependent lookup for failure messages, so beside BoardRect in the global namespace.
static std::ostream& operator<<(std::ostream& out, const BoardRect& r) {
    return out << "(" << r.left << "," << r.top << "," << r.right << "," << r.bottom << ")";
}

namespace {

TEST(BoardSelection, RectangleIsTheSameWhicheverWayItIsDragged) {
    struct Row {
        BoardPoint start, end;
        BoardRect bounds;
    } rows[] = {
        {{300, 200}, {100, 100}, {100, 100, 301, 201}},  // right to left, bottom to top
        {{100, 100}, {300, 200}, {100, 100, 301, 201}},
        {{100, 200}, {300, 100}, {100, 100, 301, 201}},  // the other diagonal
        {{300, 100}, {100, 200}, {100, 100, 301, 201}},
        {{40, 50}, {40, 50}, {40, 50, 41, 51}},          // a click: one pixel
        {{0, 0}, {0, 7}, {0, 0, 1, 8}},                  // on the monitor's edge
    };
    for (const Row& row : rows) {
        const BoardRect r = SelectionBounds(row.start, row.end);
        EXPECT_EQ(r, row.bounds) << row.start.x << "," << row.start.y << " -> " << row.end.x << "," << row.end.y;
    }
    EXPECT_EQ(SelectionBounds({300, 200}, {100, 100}).Width(), 201);
    EXPECT_EQ(SelectionBounds({300, 200}, {100, 100}).Height(), 101);
}

TEST(BoardSelection, FreeFormBoundsGrowWithEveryPoint) {
    BoardRect r{400, 200, 401, 201};
    r = WidenBounds(r, {500, 300});
    EXPECT_EQ(r, (BoardRect{400, 200, 501, 301}));
    r = WidenBounds(r, {300, 250});
    EXPECT_EQ(r, (BoardRect{300, 200, 501, 301}));
    r = WidenBounds(r, {450, 199});
    EXPECT_EQ(r, (BoardRect{300, 199, 501, 301}));
    r = WidenBounds(r, {400, 250});  // inside: no change
    EXPECT_EQ(r, (BoardRect{300, 199, 501, 301}));
    EXPECT_EQ(WidenBounds(BoardRect{}, {0, 0}), (BoardRect{0, 0, 1, 1}));
    EXPECT_EQ(OutlineBounds({{400, 200}, {500, 300}, {400, 400}, {300, 300}}), (BoardRect{300, 200, 501, 401}));
    EXPECT_TRUE(OutlineBounds({}).Empty());
}

TEST(BoardColours, TheWheelStepsAndWraps) {
    struct Row {
        int from, delta, to;
    } rows[] = {
        {0, 120, 4},   // away from the user on red: the eraser
        {4, -120, 0},  // towards the user on the eraser: red
        {0, -120, 1}, {1, -120, 2}, {2, -120, 3}, {3, -120, 4},
        {4, 120, 3},  {3, 120, 2},  {2, 120, 1},  {1, 120, 0},
        {2, 40, 1},    // any positive delta is one step
        {2, -1, 3},
        {2, 0, 2},     // no delta, no change
        {7, -120, 1},  // an index out of range counts as red
        {-3, 120, 4},
    };
    for (const Row& row : rows) EXPECT_EQ(NextColour(row.from, row.delta), row.to) << row.from << " " << row.delta;
    EXPECT_EQ(StrokeColour(0), 0x90FF0000u);
    EXPECT_EQ(PenRingColour(2), 0xFC00009Bu);
    EXPECT_EQ(PenFillColour(3), 0x80FFFF00u);
    EXPECT_EQ(StrokeColour(kEraserColour), 0u);
}

TEST(BoardSpotlight, SquareAroundTheCursorOnItsMonitor) {
    EXPECT_EQ(SpotlightSquare({640, 400}, {0, 0}, 400), (BoardRect{440, 200, 840, 600}));
    // A second monitor to the right; S/2 rounds toward zero.
    EXPECT_EQ(SpotlightSquare({2000, 100}, {1920, 0}, 101), (BoardRect{30, 50, 131, 151}));
    // A monitor left of and above the primary one.
    EXPECT_EQ(SpotlightSquare({-1000, -500}, {-1280, -800}, 100), (BoardRect{230, 250, 330, 350}));
    EXPECT_EQ(SpotlightCornerRadius(400), 133);
    EXPECT_EQ(SpotlightCornerRadius(100), 33);
    EXPECT_EQ(SpotlightCornerRadius(800), 266);
}

TEST(BoardSpotlight, CornersAreBeziersThroughPointsHalfTheRadiusFromTheCorner) {
    const std::vector<BezierCorner> c = SpotlightCorners({0, 0, 400, 400});
    ASSERT_EQ(c.size(), 4u);
    // r = 133, r/2 = 66; clockwise from the top right.
    EXPECT_EQ(c[0].from, (BoardPoint{267, 0}));
    EXPECT_EQ(c[0].control1, (BoardPoint{334, 0}));
    EXPECT_EQ(c[0].control2, (BoardPoint{400, 66}));
    EXPECT_EQ(c[0].to, (BoardPoint{400, 133}));
    EXPECT_EQ(c[1].from, (BoardPoint{400, 267}));
    EXPECT_EQ(c[1].control1, (BoardPoint{400, 334}));
    EXPECT_EQ(c[1].control2, (BoardPoint{334, 400}));
    EXPECT_EQ(c[1].to, (BoardPoint{267, 400}));
    EXPECT_EQ(c[2].to, (BoardPoint{0, 267}));
    EXPECT_EQ(c[3].from, (BoardPoint{0, 133}));
    EXPECT_EQ(c[3].control2, (BoardPoint{66, 0}));
    EXPECT_EQ(c[3].to, (BoardPoint{133, 0}));
    // Each corner ends where the straight edge to the next one starts, on the same side.
    for (std::size_t i = 0; i < 4; ++i) {
        const BoardPoint end = c[i].to, next = c[(i + 1) % 4].from;
        EXPECT_TRUE(end.x == next.x || end.y == next.y) << i;
    }
}

TEST(BoardSpotlight, TheClearSquareIsFullWidthInTheMiddleAndRoundedAtTheCorners) {
    const BoardRect square{440, 200, 840, 600};
    const RowSpans hole = PolygonSpans(SpotlightPolygon(square), 0, 800);
    // The middle row is exactly S pixels wide, from the square's left edge.
    ASSERT_EQ(hole.End(400) - hole.Begin(400), 1);
    EXPECT_EQ(hole.Begin(400)->left, 440);
    EXPECT_EQ(hole.Begin(400)->right, 840);
    // Above and below the square nothing is clear; the corner pixels are not, the straight edges are.
    EXPECT_EQ(hole.Begin(199), hole.End(199));
    EXPECT_EQ(hole.Begin(600), hole.End(600));
    EXPECT_FALSE(hole.Inside(440, 200));
    EXPECT_FALSE(hole.Inside(839, 599));
    EXPECT_TRUE(hole.Inside(640, 200));
    EXPECT_TRUE(hole.Inside(440, 400));
    // Mirror symmetric, and each row's span no wider than the next one towards the middle.
    int previous = 0;
    for (int y = 200; y < 400; ++y) {
        ASSERT_EQ(hole.End(y) - hole.Begin(y), 1) << y;
        const RowSpans::Span s = *hole.Begin(y);
        EXPECT_EQ(s.left - 440, 840 - s.right) << y;
        const RowSpans::Span mirrored = *hole.Begin(799 - y);
        EXPECT_EQ(s.left, mirrored.left) << y;
        EXPECT_GE(s.right - s.left, previous) << y;
        previous = s.right - s.left;
    }
    // The first row is shorter than the square by nearly two corner radii (the curve leaves the edge
    // tangentially, so half a pixel down it has gone about ten pixels further).
    const RowSpans::Span top = *hole.Begin(200);
    EXPECT_GE(top.right - top.left, 400 - 2 * 133);
    EXPECT_LE(top.right - top.left, 400 - 2 * 133 + 30);
}

// The reference: a pixel is inside when a ray from its centre crosses the polygon's edges an odd number of
// times.
bool InsideByRay(const std::vector<PolyPoint>& poly, double x, double y) {
    bool inside = false;
    for (std::size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
        const PolyPoint& a = poly[i];
        const PolyPoint& b = poly[j];
        if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) inside = !inside;
    }
    return inside;
}

TEST(BoardShapes, PolygonSpansMatchTheEvenOddRule) {
    std::mt19937 random(9);
    std::uniform_int_distribution<int> coordinate(0, 60);
    for (int round = 0; round < 60; ++round) {
        std::vector<PolyPoint> poly;
        const int n = 3 + round % 9;  // up to 11 points, self-intersecting ones among them
        for (int i = 0; i < n; ++i) {
            poly.push_back({coordinate(random) + 0.5 * (round % 2), double(coordinate(random))});
        }
        const RowSpans spans = PolygonSpans(poly, -2, 64);
        for (int y = -2; y < 64; ++y) {
            for (int x = -2; x < 64; ++x) {
                ASSERT_EQ(spans.Inside(x, y), InsideByRay(poly, x + 0.5, y + 0.5))
                    << "round " << round << " pixel " << x << "," << y;
            }
        }
    }
    EXPECT_EQ(PolygonSpans({{0, 0}, {10, 10}}, 0, 10).spans.size(), 0u) << "two points enclose nothing";
}

// Counts how often each pixel of a width x height board is covered by the rectangles.
std::vector<int> Coverage(const std::vector<RegionRect>& rects, int width, int height) {
    std::vector<int> cover(std::size_t(width) * height, 0);
    for (const RegionRect& r : rects) {
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) ++cover[std::size_t(y) * width + x];
    }
    return cover;
}

TEST(BoardSpotlight, TheWindowRegionIsTheBoardWithoutTheSquare) {
    const int w = 300, h = 200;
    struct Row {
        BoardRect square;
    } rows[] = {
        {{100, 50, 220, 170}},   // inside the board
        {{-60, -60, 60, 60}},    // over the top-left corner
        {{240, 150, 360, 270}},  // over the bottom-right corner
        {{400, 50, 520, 170}},   // off the board: nothing clear
    };
    for (const Row& row : rows) {
        const RowSpans hole = PolygonSpans(SpotlightPolygon(row.square), 0, h);
        const std::vector<RegionRect> rects = BoardMinusHole(w, h, hole);
        const std::vector<int> cover = Coverage(rects, w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(cover[std::size_t(y) * w + x], hole.Inside(x, y) ? 0 : 1)
                    << row.square << " pixel " << x << "," << y;
        // Banded: top to bottom, left to right within a band, bands never interleaved.
        for (std::size_t i = 1; i < rects.size(); ++i) {
            const RegionRect& a = rects[i - 1];
            const RegionRect& b = rects[i];
            ASSERT_TRUE(b.top > a.top || (b.top == a.top && b.bottom == a.bottom && b.left >= a.right)) << i;
            ASSERT_TRUE(b.top >= a.bottom || b.top == a.top) << i;
        }
    }
    // The straight part of the square shares one band: a plain rectangle needs four rectangles.
    RowSpans rect;
    rect.top = 0;
    rect.rowStart.push_back(0);
    for (int y = 0; y < h; ++y) {
        if (y >= 50 && y < 150) rect.spans.push_back({100, 200});
        rect.rowStart.push_back(uint32_t(rect.spans.size()));
    }
    EXPECT_EQ(BoardMinusHole(w, h, rect).size(), 4u);
}

// --------------------------------------------------------------------------------- dirty rectangles

struct Canvas {
    int width, height;
    std::vector<uint32_t> pixels;
    Canvas(int w, int h) : width(w), height(h), pixels(std::size_t(w) * h, 0xFF204060) {}
    BoardPixels View() { return {pixels.data(), width, height}; }
};

// Every pixel that differs between the two pictures lies in one of the rectangles.
void ExpectChangesCovered(const Canvas& a, const Canvas& b, const std::vector<BoardRect>& dirty, const char* what) {
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width; ++x) {
            const std::size_t i = std::size_t(y) * a.width + x;
            if (a.pixels[i] == b.pixels[i]) continue;
            bool covered = false;
            for (const BoardRect& r : dirty) covered = covered || r.Contains({x, y});
            ASSERT_TRUE(covered) << what << ": pixel " << x << "," << y << " changed outside the dirty rectangles";
        }
    }
}

TEST(BoardDirty, RectangleOutlineMovesRepaintOnlyTheirStrips) {
    struct Row {
        BoardRect before, after;
    } rows[] = {
        {{100, 100, 301, 201}, {100, 100, 302, 201}},  // the dragged corner one pixel right
        {{100, 100, 301, 201}, {100, 100, 301, 230}},  // down
        {{100, 100, 301, 201}, {60, 100, 101, 201}},   // across the start: the box flips
        {{50, 50, 51, 51}, {50, 50, 52, 53}},          // from a click
        {{10, 10, 200, 150}, {10, 10, 200, 150}},      // no move
        {{0, 0, 5, 5}, {0, 0, 40, 3}},                 // on the board's edge
    };
    for (const Row& row : rows) {
        Canvas a(320, 260), b(320, 260);
        DrawRectOutline(a.View(), row.before, a.View().Bounds());
        DrawRectOutline(b.View(), row.after, b.View().Bounds());
        const std::vector<BoardRect> dirty = SelectionMoveDirty(row.before, row.after);
        ExpectChangesCovered(a, b, dirty, "rectangle move");
        // Proportional to the outline, never the box: a one-pixel move touches far less than the selection.
        long area = 0;
        for (const BoardRect& r : dirty) area += long(r.Width()) * r.Height();
        EXPECT_LE(area, 4L * 2 * (row.before.Width() + row.before.Height() + row.after.Width() +
                                  row.after.Height() + 8))
            << row.before << " -> " << row.after;
    }
    EXPECT_TRUE(SelectionMoveDirty({10, 10, 200, 150}, {10, 10, 200, 150}).empty());
}

TEST(BoardDirty, PenMovesAndStrokesStayInTheirBoxes) {
    // The pen cursor: its box holds all of it.
    for (BoardPoint at : {BoardPoint{60, 60}, BoardPoint{0, 0}, BoardPoint{319, 10}}) {
        Canvas a(320, 200), b(320, 200);
        DrawPenCursor(b.View(), at, 1, b.View().Bounds());
        ExpectChangesCovered(a, b, {SquareAround(at, kPenCursorBox)}, "pen cursor");
    }
    // A stroke: within StrokeBox, and the rectangle it reports holds every pixel it set.
    struct Row {
        BoardPoint from, to;
    } rows[] = {{{50, 50}, {50, 50}}, {{20, 30}, {200, 31}}, {{300, 10}, {10, 190}}, {{5, 5}, {-30, 80}}};
    for (const Row& row : rows) {
        Canvas a(320, 200), b(320, 200);
        std::fill(a.pixels.begin(), a.pixels.end(), 0);
        std::fill(b.pixels.begin(), b.pixels.end(), 0);
        const BoardRect touched = StampStroke(b.View(), row.from, row.to, StrokeColour(0));
        ExpectChangesCovered(a, b, {touched}, "stroke (reported)");
        EXPECT_EQ(Intersect(touched, StrokeBox(row.from, row.to)), touched);
    }
}

TEST(BoardDirty, AFreeFormSegmentRepaintsOnlyItsBox) {
    std::vector<BoardPoint> points = {{100, 100}, {140, 100}, {180, 150}, {120, 190}};
    const BoardPoint next[] = {{60, 120}, {61, 121}, {200, 10}, {100, 100}};
    for (const BoardPoint& p : next) {
        Canvas a(320, 220), b(320, 220);
        DrawPolylineOutline(a.View(), points, a.View().Bounds());
        const BoardPoint from = points.back();
        points.push_back(p);
        DrawPolylineOutline(b.View(), points, b.View().Bounds());
        ExpectChangesCovered(a, b, {OutlineSegmentBox(from, p)}, "free-form segment");
    }
}

}  // namespace

// A display change keeps the board only on the very monitor it froze: one that moved, shrank or went away
// closes it, and a board that never opened has no monitor.
TEST(BoardDisplayChange, OnlyTheSameMonitorKeepsTheBoard) {
    const BoardRect left{0, 0, 1920, 1080}, right{1920, 0, 3840, 1080};
    struct Row {
        BoardRect shownOn;
        std::vector<BoardRect> monitors;
        bool stays;
    } rows[] = {
        {right, {left, right}, true},
        {right, {left}, false},                        // the right-hand monitor unplugged
        {right, {left, {1920, 0, 3200, 1024}}, false},  // its resolution lowered
        {right, {{0, 0, 1920, 1080}, {-1920, 0, 0, 1080}}, false},  // rearranged to the other side
        {left, {left}, true},
        {left, {}, false},
        {BoardRect{}, {BoardRect{}}, false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(MonitorStillPresent(row.shownOn, row.monitors), row.stays)
            << row.shownOn.left << "," << row.shownOn.top << " " << row.shownOn.right << "," << row.shownOn.bottom
            << " among " << row.monitors.size();
    }
}
