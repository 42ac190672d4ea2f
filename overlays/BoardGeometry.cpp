#include "overlays/BoardGeometry.h"

#include <algorithm>
#include <cmath>

BoardRect Intersect(const BoardRect& a, const BoardRect& b) {
    BoardRect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom)};
    return r.Empty() ? BoardRect{} : r;
}

BoardRect Union(const BoardRect& a, const BoardRect& b) {
    if (a.Empty()) return b;
    if (b.Empty()) return a;
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

BoardRect Inflate(const BoardRect& r, int by) { return {r.left - by, r.top - by, r.right + by, r.bottom + by}; }

bool Overlaps(const BoardRect& a, const BoardRect& b) { return !Intersect(a, b).Empty(); }

// ------------------------------------------------------------------------------------------- the colours

namespace {

struct ColourRow {
    uint32_t stroke, ring, fill;
};
constexpr ColourRow kColours[kBoardColours] = {
    {0x90FF0000, 0xFEFF0000, 0x80FF0000},  // red
    {0x9000FF00, 0xFE00FF00, 0x8000FF00},  // green
    {0x900000FF, 0xFC00009B, 0x800000FF},  // blue
    {0x90FFFF00, 0xFCFFC800, 0x80FFFF00},  // yellow
    {0x00000000, 0xFC000000, 0x00000000},  // eraser
};

int ValidColour(int index) { return index >= 0 && index < kBoardColours ? index : 0; }

}  // namespace

uint32_t StrokeColour(int colourIndex) { return kColours[ValidColour(colourIndex)].stroke; }
uint32_t PenRingColour(int colourIndex) { return kColours[ValidColour(colourIndex)].ring; }
uint32_t PenFillColour(int colourIndex) { return kColours[ValidColour(colourIndex)].fill; }

int NextColour(int colourIndex, int wheelDelta) {
    const int index = ValidColour(colourIndex);
    if (wheelDelta > 0) return (index + kBoardColours - 1) % kBoardColours;
    if (wheelDelta < 0) return (index + 1) % kBoardColours;
    return index;
}

// --------------------------------------------------------------------------------------- the highlighter

BoardRect SquareAround(BoardPoint p, int side) {
    const int left = p.x - side / 2;
    const int top = p.y - side / 2;
    return {left, top, left + side, top + side};
}

BoardRect StrokeBox(BoardPoint from, BoardPoint to, int width) {
    // Round caps reach half the pen beyond each end (rounded up: a pen may be odd at some scales, 27 pixels
    // at 167 %); one more pixel for the pixel the centre falls in.
    const int reach = (width + 1) / 2 + 1;
    return {std::min(from.x, to.x) - reach, std::min(from.y, to.y) - reach, std::max(from.x, to.x) + reach + 1,
            std::max(from.y, to.y) + reach + 1};
}

// ----------------------------------------------------------------------------------------- the scale

BoardMetrics BoardMetrics::For(DisplayScale scale) {
    BoardMetrics m;
    m.scale = scale;
    m.strokeWidth = scale.Px(kStrokeWidth);
    m.penFillDiameter = scale.Px(kPenFillDiameter);
    m.penRingDiameter = scale.Px(kPenRingDiameter);
    m.penRingWidth = scale.Px(kPenRingWidth);
    // The box must hold the ring whatever the rounding did to its parts.
    m.penCursorBox = std::max(scale.Px(kPenCursorBox), m.penRingDiameter + m.penRingWidth + 2);
    m.outlineWidth = scale.Px(kOutlineWidth);
    m.outlineDash = scale.Px(kOutlineDash);
    m.outlineGap = scale.Px(kOutlineGap);
    m.cursorSide = scale.Px(kBoardCursorSide);
    return m;
}

int SpotlightSide(int spotlightRadius, DisplayScale scale) { return scale.Px(spotlightRadius); }

bool DpiChangeClosesBoard(bool open, int shownDpi, int newDpi) {
    if (!open) return false;
    return DisplayScale::FromDpi(newDpi) != DisplayScale::FromDpi(shownDpi);
}

// ----------------------------------------------------------------------------------------- the selection

BoardRect SelectionBounds(BoardPoint start, BoardPoint p) {
    return {std::min(start.x, p.x), std::min(start.y, p.y), std::max(start.x, p.x) + 1, std::max(start.y, p.y) + 1};
}

BoardRect WidenBounds(const BoardRect& bounds, BoardPoint p) {
    if (bounds.Empty()) return {p.x, p.y, p.x + 1, p.y + 1};
    return {std::min(bounds.left, p.x), std::min(bounds.top, p.y), std::max(bounds.right, p.x + 1),
            std::max(bounds.bottom, p.y + 1)};
}

BoardRect OutlineBounds(const std::vector<BoardPoint>& outline) {
    BoardRect bounds;
    for (const BoardPoint& p : outline) bounds = WidenBounds(bounds, p);
    return bounds;
}

std::vector<BoardRect> OutlineStrips(const BoardRect& r, int width) {
    std::vector<BoardRect> strips;
    if (r.Empty()) return strips;
    // An odd width (3 at 150 %) puts its odd pixel outside the selection: the selected pixels stay visible.
    const int half = width / 2;
    const BoardRect outer{r.left - (width - half), r.top - (width - half), r.right + (width - half),
                          r.bottom + (width - half)};
    strips.push_back({outer.left, outer.top, outer.right, r.top + half});
    strips.push_back({outer.left, r.bottom - half, outer.right, outer.bottom});
    const BoardRect left{outer.left, r.top + half, r.left + half, r.bottom - half};
    const BoardRect right{r.right - half, r.top + half, outer.right, r.bottom - half};
    if (!left.Empty()) strips.push_back(left);
    if (!right.Empty()) strips.push_back(right);
    return strips;
}

std::vector<BoardRect> SelectionMoveDirty(const BoardRect& before, const BoardRect& after, int width) {
    const std::vector<BoardRect> a = OutlineStrips(before, width);
    const std::vector<BoardRect> b = OutlineStrips(after, width);
    auto in = [](const std::vector<BoardRect>& list, const BoardRect& s) {
        return std::find(list.begin(), list.end(), s) != list.end();
    };
    // The dashes are laid on the board's own grid, so a strip that stays where it was looks the same.
    std::vector<BoardRect> dirty;
    for (const BoardRect& s : a) {
        if (!in(b, s)) dirty.push_back(s);
    }
    for (const BoardRect& s : b) {
        if (!in(a, s) && !in(dirty, s)) dirty.push_back(s);
    }
    return dirty;
}

BoardRect OutlineSegmentBox(BoardPoint from, BoardPoint to, int width) {
    const int reach = width + 1;
    return {std::min(from.x, to.x) - reach, std::min(from.y, to.y) - reach, std::max(from.x, to.x) + reach + 1,
            std::max(from.y, to.y) + reach + 1};
}

// --------------------------------------------------------------------------------------- filled shapes

const RowSpans::Span* RowSpans::Begin(int y) const {
    const int row = y - top;
    if (row < 0 || row >= Rows()) return nullptr;
    return spans.data() + rowStart[std::size_t(row)];
}

const RowSpans::Span* RowSpans::End(int y) const {
    const int row = y - top;
    if (row < 0 || row >= Rows()) return nullptr;
    return spans.data() + rowStart[std::size_t(row) + 1];
}

bool RowSpans::Inside(int x, int y) const {
    for (const Span* s = Begin(y); s && s != End(y); ++s) {
        if (x >= s->left && x < s->right) return true;
    }
    return false;
}

RowSpans PolygonSpans(const std::vector<PolyPoint>& polygon, int top, int bottom) {
    RowSpans out;
    out.top = top;
    if (bottom < top) bottom = top;
    out.rowStart.reserve(std::size_t(bottom - top) + 1);
    out.rowStart.push_back(0);
    const std::size_t n = polygon.size();
    std::vector<double> crossings;
    for (int y = top; y < bottom; ++y) {
        crossings.clear();
        if (n >= 3) {
            const double yc = y + 0.5;
            for (std::size_t i = 0; i < n; ++i) {
                const PolyPoint& a = polygon[i];
                const PolyPoint& b = polygon[(i + 1) % n];
                if (a.y == b.y) continue;
                const double lo = std::min(a.y, b.y);
                const double hi = std::max(a.y, b.y);
                // Half-open in y, so a vertex shared by two edges is crossed once.
                if (yc < lo || yc >= hi) continue;
                crossings.push_back(a.x + (yc - a.y) * (b.x - a.x) / (b.y - a.y));
            }
            std::sort(crossings.begin(), crossings.end());
        }
        for (std::size_t i = 0; i + 1 < crossings.size(); i += 2) {
            // The pixels whose centre x + 0.5 lies in [from, to).
            const int left = int(std::ceil(crossings[i] - 0.5));
            const int right = int(std::ceil(crossings[i + 1] - 0.5));
            if (right <= left) continue;
            const std::size_t rowFirst = out.rowStart.back();
            if (out.spans.size() > rowFirst && out.spans.back().right >= left) {
                out.spans.back().right = std::max(out.spans.back().right, right);
            } else {
                out.spans.push_back({left, right});
            }
        }
        out.rowStart.push_back(uint32_t(out.spans.size()));
    }
    return out;
}

std::vector<PolyPoint> OutlinePolygon(const std::vector<BoardPoint>& outline) {
    std::vector<PolyPoint> polygon;
    polygon.reserve(outline.size());
    for (const BoardPoint& p : outline) polygon.push_back({p.x + 0.5, p.y + 0.5});
    return polygon;
}

// ------------------------------------------------------------------------------------------ the spotlight

BoardRect SpotlightSquare(BoardPoint cursorOnScreen, BoardPoint monitorOrigin, int side) {
    const int left = cursorOnScreen.x - side / 2 - monitorOrigin.x;
    const int top = cursorOnScreen.y - side / 2 - monitorOrigin.y;
    return {left, top, left + side, top + side};
}

int SpotlightCornerRadius(int side) { return side / 3; }

std::vector<BezierCorner> SpotlightCorners(const BoardRect& square) {
    const int r = SpotlightCornerRadius(square.Width());
    const int h = r / 2;
    const int x0 = square.left, y0 = square.top, x1 = square.right, y1 = square.bottom;
    return {
        {{x1 - r, y0}, {x1 - h, y0}, {x1, y0 + h}, {x1, y0 + r}},  // top right
        {{x1, y1 - r}, {x1, y1 - h}, {x1 - h, y1}, {x1 - r, y1}},  // bottom right
        {{x0 + r, y1}, {x0 + h, y1}, {x0, y1 - h}, {x0, y1 - r}},  // bottom left
        {{x0, y0 + r}, {x0, y0 + h}, {x0 + h, y0}, {x0 + r, y0}},  // top left
    };
}

std::vector<PolyPoint> SpotlightPolygon(const BoardRect& square) {
    std::vector<PolyPoint> polygon;
    const std::vector<BezierCorner> corners = SpotlightCorners(square);
    const int r = SpotlightCornerRadius(square.Width());
    // Fine enough that the flattened corner stays within a tenth of a pixel of the curve.
    const int steps = std::max(4, std::min(64, r / 4));
    for (const BezierCorner& c : corners) {
        // Each corner starts where the straight edge before it ends; the edges are the gaps between corners.
        for (int i = 0; i <= steps; ++i) {
            const double t = double(i) / steps;
            const double u = 1 - t;
            const double a = u * u * u, b = 3 * u * u * t, d = 3 * u * t * t, e = t * t * t;
            polygon.push_back({a * c.from.x + b * c.control1.x + d * c.control2.x + e * c.to.x,
                               a * c.from.y + b * c.control1.y + d * c.control2.y + e * c.to.y});
        }
    }
    return polygon;
}

std::vector<RegionRect> BoardMinusHole(int width, int height, const RowSpans& hole) {
    std::vector<RegionRect> rects;
    if (width <= 0 || height <= 0) return rects;
    std::vector<RowSpans::Span> band, row;
    int bandTop = 0;
    auto flush = [&](int bottom) {
        for (const RowSpans::Span& s : band) rects.push_back({s.left, bandTop, s.right, bottom});
    };
    for (int y = 0; y < height; ++y) {
        row.clear();
        int x = 0;
        for (const RowSpans::Span* s = hole.Begin(y); s && s != hole.End(y); ++s) {
            const int left = std::max(0, std::min(width, s->left));
            const int right = std::max(0, std::min(width, s->right));
            if (left > x) row.push_back({x, left});
            x = std::max(x, right);
        }
        if (x < width) row.push_back({x, width});
        const bool same = y > 0 && row.size() == band.size() &&
                          std::equal(row.begin(), row.end(), band.begin(), [](const auto& a, const auto& b) {
                              return a.left == b.left && a.right == b.right;
                          });
        if (!same) {
            if (y > 0) flush(y);
            band.swap(row);
            bandTop = y;
        }
    }
    flush(height);
    return rects;
}

bool MonitorStillPresent(const BoardRect& shownOn, const std::vector<BoardRect>& monitors) {
    if (shownOn.Empty()) return false;
    for (const BoardRect& monitor : monitors) {
        if (monitor == shownOn) return true;
    }
    return false;
}
