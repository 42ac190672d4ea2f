#include "overlays/BoardRaster.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr uint32_t Channel(uint32_t v, int shift) { return (v >> shift) & 0xFF; }

// The continuous x interval [x0, x1) of one pixel row, and the pixels whose centres lie in it.
struct Interval {
    double from = 1;
    double to = 0;
    bool Empty() const { return !(from < to); }
};

Interval Hull(const Interval& a, const Interval& b) {
    if (a.Empty()) return b;
    if (b.Empty()) return a;
    return {std::min(a.from, b.from), std::max(a.to, b.to)};
}

Interval Meet(const Interval& a, const Interval& b) { return {std::max(a.from, b.from), std::min(a.to, b.to)}; }

// Where lo <= k * x + c <= hi.
Interval Solve(double k, double c, double lo, double hi) {
    if (k == 0) {
        return (c >= lo && c <= hi) ? Interval{-std::numeric_limits<double>::infinity(),
                                               std::numeric_limits<double>::infinity()}
                                    : Interval{};
    }
    double a = (lo - c) / k, b = (hi - c) / k;
    if (a > b) std::swap(a, b);
    return {a, b};
}

// The points (x, yc) closer than `radius` to the centre.
Interval DiscRow(double cx, double cy, double radius, double yc) {
    const double dy = yc - cy;
    const double left = radius * radius - dy * dy;
    if (left <= 0) return {};
    const double half = std::sqrt(left);
    return {cx - half, cx + half};
}

// The points (x, yc) closer than `half` to the line through a and b that project onto the segment between
// them (the segment drawn with flat ends).
Interval BandRow(double ax, double ay, double bx, double by, double half, double yc) {
    const double dx = bx - ax, dy = by - ay;
    const double lengthSquared = dx * dx + dy * dy;
    if (lengthSquared == 0) return {};
    const double length = std::sqrt(lengthSquared);
    // Projection: 0 <= (x - ax) dx + (yc - ay) dy <= length^2.
    const Interval along = Solve(dx, -ax * dx + (yc - ay) * dy, 0, lengthSquared);
    // Distance: |(x - ax) dy - (yc - ay) dx| < half * length.
    const Interval across = Solve(dy, -ax * dy - (yc - ay) * dx, -half * length, half * length);
    return Meet(along, across);
}

// The first and one-past-last pixel whose centre lies strictly inside the interval, clipped to [lo, hi).
bool PixelsOf(const Interval& in, int lo, int hi, int& first, int& last) {
    if (in.Empty()) return false;
    const double a = std::max(in.from, double(lo) - 1.0);
    const double b = std::min(in.to, double(hi) + 1.0);
    first = std::max(lo, int(std::floor(a - 0.5)) + 1);
    last = std::min(hi, int(std::ceil(b - 0.5)));
    return first < last;
}

void BlendSpan(uint32_t* row, int from, int to, uint32_t premultiplied) {
    for (int x = from; x < to; ++x) row[x] = BlendOver(premultiplied, row[x]);
}

BoardRect Clipped(const BoardPixels& image, const BoardRect& clip) { return Intersect(image.Bounds(), clip); }

}  // namespace

uint32_t Premultiply(uint32_t argb) {
    const uint32_t a = argb >> 24;
    auto scale = [a](uint32_t c) { return (c * a + 127) / 255; };
    return (a << 24) | (scale(Channel(argb, 16)) << 16) | (scale(Channel(argb, 8)) << 8) | scale(Channel(argb, 0));
}

uint32_t BlendOver(uint32_t source, uint32_t dest) {
    const uint32_t alpha = source >> 24;
    if (alpha == 0xFF) return source;
    if (source == 0) return dest;
    const uint32_t keep = 255 - alpha;
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const uint32_t c = Channel(source, shift) + (Channel(dest, shift) * keep + 127) / 255;
        out |= std::min<uint32_t>(c, 255) << shift;
    }
    return out;
}

void ForceOpaque(const BoardPixels& image) {
    if (!image) return;
    const std::size_t n = std::size_t(image.width) * std::size_t(image.height);
    for (std::size_t i = 0; i < n; ++i) image.bits[i] |= 0xFF000000u;
}

// ---------------------------------------------------------------------------------------------- the ink

BoardRect StampStroke(const BoardPixels& ink, BoardPoint from, BoardPoint to, uint32_t colour, int width) {
    if (!ink) return {};
    const BoardRect area = Clipped(ink, StrokeBox(from, to, width));
    if (area.Empty()) return {};
    const uint32_t value = Premultiply(colour);
    const double radius = width / 2.0;
    BoardRect touched;
    for (int y = area.top; y < area.bottom; ++y) {
        const double yc = y + 0.5;
        const Interval row = Hull(Hull(DiscRow(from.x, from.y, radius, yc), DiscRow(to.x, to.y, radius, yc)),
                                  BandRow(from.x, from.y, to.x, to.y, radius, yc));
        int first = 0, last = 0;
        if (!PixelsOf(row, area.left, area.right, first, last)) continue;
        std::fill(ink.Row(y) + first, ink.Row(y) + last, value);
        touched = Union(touched, BoardRect{first, y, last, y + 1});
    }
    return touched;
}

// ---------------------------------------------------------------------------------------------- a frame

void DrawPenCursor(const BoardPixels& frame, BoardPoint at, int colourIndex, const BoardRect& clip,
                   const BoardMetrics& m) {
    const BoardRect area = Clipped(frame, Intersect(clip, SquareAround(at, m.penCursorBox)));
    if (area.Empty()) return;
    const uint32_t fill = Premultiply(PenFillColour(colourIndex));
    const uint32_t ring = Premultiply(PenRingColour(colourIndex));
    const double inner = m.penFillDiameter / 2.0;
    const double outer = m.penRingDiameter / 2.0 + m.penRingWidth / 2.0;  // the ring's pen straddles its circle
    const double ringInner = m.penRingDiameter / 2.0 - m.penRingWidth / 2.0;
    for (int y = area.top; y < area.bottom; ++y) {
        const double yc = y + 0.5;
        uint32_t* row = frame.Row(y);
        int first = 0, last = 0;
        if (PixelsOf(DiscRow(at.x, at.y, inner, yc), area.left, area.right, first, last)) {
            BlendSpan(row, first, last, fill);
        }
        // The ring: inside the outer circle and not inside its inner one.
        int outerFirst = 0, outerLast = 0;
        if (!PixelsOf(DiscRow(at.x, at.y, outer, yc), area.left, area.right, outerFirst, outerLast)) continue;
        int holeFirst = outerLast, holeLast = outerLast;
        if (!PixelsOf(DiscRow(at.x, at.y, ringInner, yc), area.left, area.right, holeFirst, holeLast)) {
            holeFirst = holeLast = outerLast;
        }
        BlendSpan(row, outerFirst, std::max(outerFirst, holeFirst), ring);
        BlendSpan(row, std::max(outerFirst, holeLast), outerLast, ring);
    }
}

namespace {

bool DashOn(double along, const BoardMetrics& m) {
    const double period = m.outlineDash + m.outlineGap;
    double phase = std::fmod(along, period);
    if (phase < 0) phase += period;
    return phase < m.outlineDash;
}

}  // namespace

void DrawRectOutline(const BoardPixels& frame, const BoardRect& selection, const BoardRect& clip,
                     const BoardMetrics& m) {
    const std::vector<BoardRect> strips = OutlineStrips(selection, m.outlineWidth);
    if (strips.empty()) return;
    const uint32_t colour = Premultiply(kOutlineColour);
    // Strips 0 and 1 run across (dashes by x), the others down (dashes by y). The across strips of a very
    // low rectangle overlap: each pixel is drawn once.
    for (std::size_t i = 0; i < strips.size(); ++i) {
        const BoardRect area = Clipped(frame, Intersect(clip, strips[i]));
        for (int y = area.top; y < area.bottom; ++y) {
            if (i == 1 && y < strips[0].bottom) continue;  // already drawn with the top strip
            uint32_t* row = frame.Row(y);
            for (int x = area.left; x < area.right; ++x) {
                if (DashOn(i < 2 ? x : y, m)) row[x] = BlendOver(colour, row[x]);
            }
        }
    }
}

void DrawPolylineOutline(const BoardPixels& frame, const std::vector<BoardPoint>& points, const BoardRect& clip,
                         const BoardMetrics& m) {
    const BoardRect area = Clipped(frame, clip);
    if (area.Empty() || points.size() < 2) return;
    const uint32_t colour = Premultiply(kOutlineColour);
    const double half = m.outlineWidth / 2.0;
    double travelled = 0;  // the dash pattern runs on along the whole outline
    for (std::size_t i = 1; i < points.size(); ++i) {
        const BoardPoint a = points[i - 1], b = points[i];
        const double dx = b.x - a.x, dy = b.y - a.y;
        const double length = std::sqrt(dx * dx + dy * dy);
        const BoardRect box = Intersect(area, OutlineSegmentBox(a, b, m.outlineWidth));
        for (int y = box.top; y < box.bottom && length > 0; ++y) {
            const double yc = y + 0.5;
            int first = 0, last = 0;
            if (!PixelsOf(BandRow(a.x, a.y, b.x, b.y, half, yc), box.left, box.right, first, last)) continue;
            uint32_t* row = frame.Row(y);
            for (int x = first; x < last; ++x) {
                const double along = ((x + 0.5 - a.x) * dx + (yc - a.y) * dy) / length;
                if (DashOn(travelled + along, m)) row[x] = BlendOver(colour, row[x]);
            }
        }
        travelled += length;
    }
}

void DarkenExceptRect(const BoardPixels& frame, const BoardRect& keep, const BoardRect& clip) {
    const BoardRect area = Clipped(frame, clip);
    const uint32_t dark = Premultiply(kDarkenColour);
    for (int y = area.top; y < area.bottom; ++y) {
        uint32_t* row = frame.Row(y);
        const bool rowKept = y >= keep.top && y < keep.bottom;
        const int keepFrom = rowKept ? std::max(area.left, std::min(area.right, keep.left)) : area.right;
        const int keepTo = rowKept ? std::max(keepFrom, std::min(area.right, keep.right)) : area.right;
        BlendSpan(row, area.left, keepFrom, dark);
        BlendSpan(row, keepTo, area.right, dark);
    }
}

void DarkenExceptSpans(const BoardPixels& frame, const RowSpans& keep, const BoardRect& clip) {
    const BoardRect area = Clipped(frame, clip);
    const uint32_t dark = Premultiply(kDarkenColour);
    for (int y = area.top; y < area.bottom; ++y) {
        uint32_t* row = frame.Row(y);
        int x = area.left;
        for (const RowSpans::Span* s = keep.Begin(y); s && s != keep.End(y); ++s) {
            const int from = std::max(area.left, std::min(area.right, s->left));
            const int to = std::max(area.left, std::min(area.right, s->right));
            if (from > x) BlendSpan(row, x, from, dark);
            x = std::max(x, to);
        }
        BlendSpan(row, x, area.right, dark);
    }
}

void ComposeFrame(const BoardPixels& frame, const BoardPixels& screen, const BoardPixels& ink,
                  const BoardScene& scene, const BoardRect& clip) {
    if (!frame || !screen || screen.width != frame.width || screen.height != frame.height) return;
    const BoardRect area = Clipped(frame, clip);
    if (area.Empty()) return;
    const bool withInk =
        scene.mode == BoardMode::Highlighter && ink && ink.width == frame.width && ink.height == frame.height;
    const std::size_t bytes = std::size_t(area.Width()) * sizeof(uint32_t);
    for (int y = area.top; y < area.bottom; ++y) {
        uint32_t* out = frame.Row(y) + area.left;
        std::memcpy(out, screen.Row(y) + area.left, bytes);
        if (!withInk) continue;
        const uint32_t* stroke = ink.Row(y) + area.left;
        for (int x = 0; x < area.Width(); ++x) {
            if (stroke[x] != 0) out[x] = BlendOver(stroke[x], out[x]);
        }
    }
    switch (scene.mode) {
    case BoardMode::Highlighter:
        if (scene.penCursor) DrawPenCursor(frame, scene.penAt, scene.colourIndex, area, scene.metrics);
        break;
    case BoardMode::Freeform:
        if (scene.dragging && scene.outline) DrawPolylineOutline(frame, *scene.outline, area, scene.metrics);
        if (!scene.dragging && scene.darkenAround) DarkenExceptSpans(frame, *scene.darkenAround, area);
        break;
    case BoardMode::Rectangle:
        if (scene.dragging) DrawRectOutline(frame, scene.selBounds, area, scene.metrics);
        if (!scene.dragging && scene.darkenAroundRect) DarkenExceptRect(frame, scene.selBounds, area);
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------------------------------------- a snap

SnapImage SnapPixels(const BoardPixels& screen, const BoardPixels& ink, BoardMode mode, const BoardRect& rect,
                     const RowSpans* inside) {
    SnapImage image;
    const BoardRect area = Clipped(screen, rect);
    if (!screen || area.Empty()) return image;
    image.width = area.Width();
    image.height = area.Height();
    image.pixels.assign(std::size_t(image.width) * std::size_t(image.height), 0);
    const bool withInk =
        mode == BoardMode::Highlighter && ink && ink.width == screen.width && ink.height == screen.height;
    for (int y = area.top; y < area.bottom; ++y) {
        uint32_t* out = image.pixels.data() + std::size_t(y - area.top) * std::size_t(image.width);
        const uint32_t* from = screen.Row(y) + area.left;
        if (mode == BoardMode::Freeform) {
            // Only what lies inside the outline; the rest of the box stays transparent.
            for (const RowSpans::Span* s = inside ? inside->Begin(y) : nullptr; s && s != inside->End(y); ++s) {
                const int l = std::max(area.left, s->left), r = std::min(area.right, s->right);
                if (l < r) std::memcpy(out + (l - area.left), screen.Row(y) + l, std::size_t(r - l) * 4);
            }
            continue;
        }
        std::memcpy(out, from, std::size_t(image.width) * sizeof(uint32_t));
        if (!withInk) continue;
        const uint32_t* stroke = ink.Row(y) + area.left;
        for (int x = 0; x < image.width; ++x) {
            if (stroke[x] != 0) out[x] = BlendOver(stroke[x], out[x]);
        }
    }
    return image;
}

std::vector<uint8_t> BuildDibBlock(const SnapImage& image) {
    std::vector<uint8_t> block;
    if (image.width <= 0 || image.height <= 0) return block;
    const uint64_t pixels = uint64_t(image.width) * uint64_t(image.height);
    if (image.pixels.size() != pixels) return block;
    const uint64_t bytes = kDibHeaderBytes + 4 * pixels + kDibTrailerBytes;
    // The header's fields are 32-bit, and so is the product's address space.
    if (bytes > std::numeric_limits<uint32_t>::max() || bytes > std::numeric_limits<std::size_t>::max()) return block;
    block.assign(std::size_t(bytes), 0);
    auto put32 = [&block](std::size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) block[at + std::size_t(i)] = uint8_t(v >> (8 * i));
    };
    put32(0, uint32_t(kDibHeaderBytes));  // biSize
    put32(4, uint32_t(image.width));      // biWidth
    put32(8, uint32_t(image.height));     // biHeight: positive, rows bottom-up
    block[12] = 1;                        // biPlanes
    block[14] = 32;                       // biBitCount; biCompression BI_RGB (0) and the rest stay 0
    const std::size_t rowBytes = std::size_t(image.width) * 4;
    for (int stored = 0; stored < image.height; ++stored) {
        const uint32_t* row = image.pixels.data() + std::size_t(image.height - 1 - stored) * std::size_t(image.width);
        uint8_t* out = block.data() + kDibHeaderBytes + std::size_t(stored) * rowBytes;
        for (int x = 0; x < image.width; ++x) {
            const uint32_t v = row[x];
            out[4 * x + 0] = uint8_t(v);
            out[4 * x + 1] = uint8_t(v >> 8);
            out[4 * x + 2] = uint8_t(v >> 16);
            out[4 * x + 3] = uint8_t(v >> 24);
        }
    }
    return block;
}
