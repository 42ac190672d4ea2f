#include "mainwindow/SettingsLayout.h"

#include <cmath>

namespace {

constexpr float kFirstSegmentWidth = 6;
constexpr float kOtherSegmentWidth = 4;
constexpr float kLabelGap = 24;   // between the anchor and the label's near edge
constexpr float kLabelDrop = 14;  // the label's middle lies this much below the anchor

LeaderLine MakeLeader(PointF a0, PointF a1, PointF b0, PointF b1, PointF c0, PointF c1, float lightLift) {
    auto lift = [lightLift](PointF p) { return PointF{p.x, p.y - lightLift}; };
    LeaderLine line;
    line.shadow = {LeaderSegment{a0, a1, kFirstSegmentWidth, true}, LeaderSegment{b0, b1, kOtherSegmentWidth, false},
                   LeaderSegment{c0, c1, kOtherSegmentWidth, false}};
    line.light = {LeaderSegment{lift(a0), lift(a1), kFirstSegmentWidth, true},
                  LeaderSegment{lift(b0), lift(b1), kOtherSegmentWidth, false},
                  LeaderSegment{lift(c0), lift(c1), kOtherSegmentWidth, false}};
    return line;
}

// The side buttons' arrow tips are at (342, 284) for bt3 and (365, 239) for bt4; each line bends once and
// ends at its marker's anchor. The light line lies one pixel above its shadow.
const LeaderLine kSlot3Leader = MakeLeader({342, 284}, {341, 283}, {338, 280}, {328, 270}, {328, 270}, {298, 270}, 1);
const LeaderLine kSlot4Leader = MakeLeader({365, 239}, {366, 240}, {369, 243}, {379, 253}, {379, 253}, {389, 253}, 1);

const PointF kSlot3Anchor{288, 269};
const PointF kSlot4Anchor{375, 252};

int Round(float v) { return int(std::lround(v)); }

MarkerLayout LayOutMarker(int slot, const std::wstring& text, PointF anchorLine, bool labelLeft, float lineHeight,
                          TextMeasurer& measurer, const DisplayScale& scale) {
    // The measured text is already at the scale; only the fixed gaps and paddings are scaled here.
    auto px = [&scale](float v) { return scale.Pxf(v); };
    MarkerLayout m;
    m.slot = slot;
    m.text = text;
    m.labelLeft = labelLeft;
    m.anchor = PointF{anchorLine.x, float(Round(anchorLine.y - lineHeight / 2))};
    m.textSize = measurer.Measure(text);
    const float w = m.textSize.x;
    const float h = m.textSize.y;
    m.x0 = labelLeft ? float(Round(m.anchor.x - (w + px(kLabelGap)))) : m.anchor.x + px(kLabelGap);
    m.top = m.anchor.y + px(kLabelDrop) - h / 2;
    m.hitRect = PixelRect{Round(m.x0), Round(m.top), Round(m.x0 + px(2) + w + h), Round(m.top + px(1) + h)};
    m.box = RectF{m.x0 - px(1), m.top - px(1), w + h + px(5), h + px(4)};
    m.square = RectF{m.x0 + px(2) + w, m.top + px(1), h, h};
    const float centreX = m.square.x + h / 2;
    const float bottom = m.square.y + m.square.height;
    // The stroke's start cap is the triangle; starting at the lower end makes it point down.
    m.arrowTip = PointF{centreX, bottom - px(6)};
    m.arrowEnd = PointF{centreX, bottom - px(7)};
    m.arrowPenWidth = h / 2 - px(6);
    m.textRect = RectF{m.x0, m.top, w, h};
    return m;
}

PointF Scaled(PointF p, const DisplayScale& scale) { return PointF{scale.Pxf(p.x), scale.Pxf(p.y)}; }

LeaderSegment Scaled(const LeaderSegment& s, const DisplayScale& scale) {
    return LeaderSegment{Scaled(s.from, scale), Scaled(s.to, scale), scale.Pxf(s.width), s.arrowStart};
}

}  // namespace

const LeaderLine& LeaderLineOf(int slot) { return slot == 3 ? kSlot3Leader : kSlot4Leader; }

LeaderLine LeaderLineOf(int slot, const DisplayScale& scale) {
    const LeaderLine& fixed = LeaderLineOf(slot);
    if (scale.IsIdentity()) return fixed;
    LeaderLine line;
    for (std::size_t i = 0; i < line.shadow.size(); ++i) {
        line.shadow[i] = Scaled(fixed.shadow[i], scale);
        line.light[i] = Scaled(fixed.light[i], scale);
    }
    return line;
}

std::wstring MarkerText(const FunctionCatalogueModel& catalogue, int functionNumber) {
    std::wstring name = SlotName(catalogue, functionNumber);
    return name.empty() ? std::wstring(L"...") : name;
}

PixelRect CaptionButtonRect(int button, const DisplayScale& scale) {
    // Each edge is scaled from its own 96-DPI figure, so both boxes round alike and stay the same size.
    const int x = scale.Px(kCaptionButtonLeft + kCaptionButtonStep * button);
    const int top = scale.Px(kCaptionButtonTop);
    const int size = scale.Px(kCaptionButtonSize);
    return PixelRect{x, top, x + size, top + size};
}

PixelSize SettingsWindowSize(const DisplayScale& scale) {
    return PixelSize{scale.Px(kWindowWidth), scale.Px(kWindowHeight)};
}

SettingsLayout ComputeSettingsLayout(const FunctionCatalogueModel& catalogue, const ButtonSlots& slots,
                                     TextMeasurer& measurer, const DisplayScale& scale) {
    SettingsLayout layout;
    layout.scale = scale;
    const std::wstring slot3 = MarkerText(catalogue, slots.ButtonFunctions[3]);
    const std::wstring slot4 = MarkerText(catalogue, slots.ButtonFunctions[4]);
    // Both anchors sit half a line of slot 3's text above their lines' ends.
    const float lineHeight = measurer.Measure(slot3).y;
    layout.markers[0] = LayOutMarker(3, slot3, Scaled(kSlot3Anchor, scale), true, lineHeight, measurer, scale);
    layout.markers[1] = LayOutMarker(4, slot4, Scaled(kSlot4Anchor, scale), false, lineHeight, measurer, scale);
    for (const MarkerLayout& m : layout.markers) layout.slotRects[std::size_t(m.slot)] = m.hitRect;
    const PixelRect& d = kDefaultButtonRect;
    layout.defaultButtonRect = PixelRect{scale.Px(d.left), scale.Px(d.top), scale.Px(d.right), scale.Px(d.bottom)};
    layout.captionButtonRects = {CaptionButtonRect(0, scale), CaptionButtonRect(1, scale)};
    // Minimize's bar across the box's middle, Close's cross: 4 pixels in from the box's sides at 100 %.
    const PixelRect& minimize = layout.captionButtonRects[0];
    const PixelRect& close = layout.captionButtonRects[1];
    auto at = [&scale](const PixelRect& box, int dx, int dy) {
        return PointF{float(box.left + scale.Px(dx)), float(box.top + scale.Px(dy))};
    };
    layout.captionStrokes = {CaptionStroke{0, at(minimize, 4, 10), at(minimize, 16, 10)},
                             CaptionStroke{1, at(close, 4, 4), at(close, 16, 16)},
                             CaptionStroke{1, at(close, 16, 4), at(close, 4, 16)}};
    const int photoX = scale.Px(kPhotoX), photoY = scale.Px(kPhotoY);
    layout.photoRect = PixelRect{photoX, photoY, photoX + scale.Px(kPhotoWidth), photoY + scale.Px(kPhotoHeight)};
    layout.leaders = {LeaderLineOf(3, scale), LeaderLineOf(4, scale)};
    layout.labelFontPixels = scale.Pxf(kLabelFontPixels);
    layout.defaultFontPixels = scale.Pxf(kDefaultFontPixels);
    layout.hairline = scale.Pxf(1);
    return layout;
}
