#pragma once
// The presenter board's geometry: points and rectangles in board coordinates (the client coordinates of the
// board, whose top-left corner is the top-left corner of the monitor it covers), the selection rules of the
// two screen snaps, the highlighter's colour wheel, the spotlight's rounded square, and which part of the
// board each kind of pointer move changes. Portable: the Windows half turns these into pixels, regions and
// invalidations.
#include "overlays/RegionRuns.h"
#include "shell/DisplayScale.h"

#include <cstdint>
#include <vector>

struct BoardPoint {
    int x = 0;
    int y = 0;
    bool operator==(const BoardPoint& o) const { return x == o.x && y == o.y; }
    bool operator!=(const BoardPoint& o) const { return !(*this == o); }
};

// Right and bottom exclusive, like the system's RECT.
struct BoardRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    bool Empty() const { return right <= left || bottom <= top; }
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Contains(BoardPoint p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
    bool operator==(const BoardRect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
    bool operator!=(const BoardRect& o) const { return !(*this == o); }
};

BoardRect Intersect(const BoardRect& a, const BoardRect& b);  // empty (all 0) when they do not meet
BoardRect Union(const BoardRect& a, const BoardRect& b);      // an empty rectangle adds nothing
BoardRect Inflate(const BoardRect& r, int by);
bool Overlaps(const BoardRect& a, const BoardRect& b);

// ------------------------------------------------------------------------------------------- the colours

constexpr int kBoardColours = 5;  // red, green, blue, yellow, and the eraser
constexpr int kEraserColour = 4;
// ARGB, not premultiplied. The eraser's stroke is fully transparent: it paints the frozen picture back.
uint32_t StrokeColour(int colourIndex);
uint32_t PenRingColour(int colourIndex);
uint32_t PenFillColour(int colourIndex);
constexpr uint32_t kOutlineColour = 0xDEFF0000;  // the selection outline, 2 pixels, dashed
constexpr uint32_t kDarkenColour = 0xC8000000;   // outside a selection and around the spotlight

// The wheel steps through the colours: a positive delta (away from the user) selects the previous one, a
// negative delta the next one, both wrapping; 0 keeps the colour. An index out of range counts as red.
int NextColour(int colourIndex, int wheelDelta);

// --------------------------------------------------------------------------------------- the highlighter

constexpr int kStrokeWidth = 16;    // pen width, round caps; a fresh press is a dot of this diameter
constexpr int kPenCursorBox = 40;   // the square the pen cursor is repainted in
constexpr int kPenFillDiameter = 12;
constexpr int kPenRingDiameter = 16;
constexpr int kPenRingWidth = 4;

// The square of `side` centred on p (p - side/2 to p - side/2 + side).
BoardRect SquareAround(BoardPoint p, int side);
// The pixels a stroke from `from` to `to` can touch (the pen is `width` wide with round caps).
BoardRect StrokeBox(BoardPoint from, BoardPoint to, int width = kStrokeWidth);

// ----------------------------------------------------------------------------------------- the selection

constexpr int kOutlineWidth = 2;
constexpr int kOutlineDash = 6;  // on, then kOutlineGap off, along the outline
constexpr int kOutlineGap = 2;

// ----------------------------------------------------------------------------------------- the scale

// The pen cursor of the snaps and the spotlight (cursor 167) is 32 pixels at 100 %.
constexpr int kBoardCursorSide = 32;

// Every pixel figure of the board at the scale of the monitor it covers. The board draws in that monitor's
// own pixels, so at 150 % the pen is 24 pixels wide and the outline 3; the defaults are the 100 % figures.
struct BoardMetrics {
    DisplayScale scale;
    int strokeWidth = kStrokeWidth;
    int penCursorBox = kPenCursorBox;
    int penFillDiameter = kPenFillDiameter;
    int penRingDiameter = kPenRingDiameter;
    int penRingWidth = kPenRingWidth;
    int outlineWidth = kOutlineWidth;
    int outlineDash = kOutlineDash;
    int outlineGap = kOutlineGap;
    int cursorSide = kBoardCursorSide;  // the size the pen cursor is loaded at

    static BoardMetrics For(DisplayScale scale);
};

// The spotlight's side on the board: SpotlightRadius is kept in 100 % pixels (its start, its bounds and the
// wheel's steps are written for them), and the board shows it at its monitor's scale, so the same setting
// covers the same part of a presenter's laptop and of a 200 % projector.
int SpotlightSide(int spotlightRadius, DisplayScale scale);

// The rectangle snap: the box spanned by the drag's start and the point p, both corners included.
BoardRect SelectionBounds(BoardPoint start, BoardPoint p);
// The free-form snap: `bounds` widened to hold p.
BoardRect WidenBounds(const BoardRect& bounds, BoardPoint p);
// The box of a free-form outline's points, each point a pixel; empty for no points.
BoardRect OutlineBounds(const std::vector<BoardPoint>& outline);

// The pixels the dashed outline of the rectangle `r` covers: 2 pixels straddling each edge. Returned as up
// to four strips (top, bottom, left, right) that together hold the outline; none for an empty rectangle.
// `width` is the outline's width (kOutlineWidth at 100 %).
std::vector<BoardRect> OutlineStrips(const BoardRect& r, int width = kOutlineWidth);
// What a move of the rectangle selection from `before` to `after` changes: the strips of both outlines
// (only where they differ); a strip that is the same in both is left out.
std::vector<BoardRect> SelectionMoveDirty(const BoardRect& before, const BoardRect& after,
                                          int width = kOutlineWidth);
// What a new segment of the free-form outline changes.
BoardRect OutlineSegmentBox(BoardPoint from, BoardPoint to, int width = kOutlineWidth);

// --------------------------------------------------------------------------------------- filled shapes

struct PolyPoint {
    double x = 0;
    double y = 0;
};

// The pixels inside a closed polygon, row by row, by the even-odd rule (pixel (x, y) is inside when its
// centre (x + 0.5, y + 0.5) is). Rows outside [top, top + rows) hold nothing.
struct RowSpans {
    struct Span {
        int left;
        int right;  // exclusive
    };
    int top = 0;
    std::vector<uint32_t> rowStart;  // rows + 1 offsets into spans
    std::vector<Span> spans;

    int Rows() const { return rowStart.empty() ? 0 : int(rowStart.size()) - 1; }
    // The spans of row y (board coordinates), left to right, not touching each other.
    const Span* Begin(int y) const;
    const Span* End(int y) const;
    bool Inside(int x, int y) const;
};

// Fills the rows from `top` to `bottom` (exclusive). A polygon of fewer than 3 points is empty.
RowSpans PolygonSpans(const std::vector<PolyPoint>& polygon, int top, int bottom);
// The closed free-form outline (its last point joined to its first) as pixel centres.
std::vector<PolyPoint> OutlinePolygon(const std::vector<BoardPoint>& outline);

// ------------------------------------------------------------------------------------------ display changes

// After monitors were added, removed or resized, an open board stays only while a monitor with exactly the
// rectangle it covers (`shownOn`, screen coordinates) still exists: its frozen picture, its confinement and
// its spotlight square all belong to that rectangle.
bool MonitorStillPresent(const BoardRect& shownOn, const std::vector<BoardRect>& monitors);

// The monitor under an open board now draws at `newDpi` (WM_DPICHANGED): the pen, the outline, the cursor
// and the spotlight of that board were made for `shownDpi`. A board at another scale than its monitor's
// closes, as it does when its monitor changes; the next press opens it at the new scale. A closed board, or
// a message that changes nothing, keeps it as it is.
bool DpiChangeClosesBoard(bool open, int shownDpi, int newDpi);

// ------------------------------------------------------------------------------------------ the spotlight

// The clear square of side S (SpotlightRadius) around the cursor, in board coordinates: its top-left corner
// is cursor - S/2 - monitor origin (S/2 rounded toward zero).
BoardRect SpotlightSquare(BoardPoint cursorOnScreen, BoardPoint monitorOrigin, int side);
// The corner radius: r = S/3 (integer).
int SpotlightCornerRadius(int side);

// One rounded corner: a cubic Bezier from the end of one edge to the start of the next, through control
// points r/2 from the corner along both edges.
struct BezierCorner {
    BoardPoint from, control1, control2, to;
};
// The four corners of the square `square`, clockwise from the top-right one; every edge between them is
// straight.
std::vector<BezierCorner> SpotlightCorners(const BoardRect& square);
// The rounded square as a polygon (each Bezier flattened), clockwise from the top edge.
std::vector<PolyPoint> SpotlightPolygon(const BoardRect& square);

// The rectangles of a board of width x height minus the pixels of `hole`, banded from the top down and
// left to right in each band (rows with the same runs share one band), as a window region wants them.
std::vector<RegionRect> BoardMinusHole(int width, int height, const RowSpans& hole);
