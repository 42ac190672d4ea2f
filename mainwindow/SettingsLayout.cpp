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
                          TextMeasurer& measurer) {
    MarkerLayout m;
    m.slot = slot;
    m.text = text;
    m.labelLeft = labelLeft;
    m.anchor = PointF{anchorLine.x, float(Round(anchorLine.y - lineHeight / 2))};
    m.textSize = measurer.Measure(text);
    const float w = m.textSize.x;
    const float h = m.textSize.y;
    m.x0 = labelLeft ? float(Round(m.anchor.x - (w + kLabelGap))) : m.anchor.x + kLabelGap;
    m.top = m.anchor.y + kLabelDrop - h / 2;
    m.hitRect = PixelRect{Round(m.x0), Round(m.top), Round(m.x0 + 2 + w + h), Round(m.top + 1 + h)};
    m.box = RectF{m.x0 - 1, m.top - 1, w + h + 5, h + 4};
    m.square = RectF{m.x0 + 2 + w, m.top + 1, h, h};
    const float centreX = m.square.x + h / 2;
    const float bottom = m.square.y + m.square.height;
    // The stroke's start cap is the triangle; starting at the lower end makes it point down.
    m.arrowTip = PointF{centreX, bottom - 6};
    m.arrowEnd = PointF{centreX, bottom - 7};
    m.arrowPenWidth = h / 2 - 6;
    m.textRect = RectF{m.x0, m.top, w, h};
    return m;
}

}  // namespace

const LeaderLine& LeaderLineOf(int slot) { return slot == 3 ? kSlot3Leader : kSlot4Leader; }

std::wstring MarkerText(const FunctionCatalogueModel& catalogue, int functionNumber) {
    std::wstring name = SlotName(catalogue, functionNumber);
    return name.empty() ? std::wstring(L"...") : name;
}

PixelRect CaptionButtonRect(int button) {
    const int x = kCaptionButtonLeft + kCaptionButtonStep * button;
    return PixelRect{x, kCaptionButtonTop, x + kCaptionButtonSize, kCaptionButtonTop + kCaptionButtonSize};
}

SettingsLayout ComputeSettingsLayout(const FunctionCatalogueModel& catalogue, const ButtonSlots& slots,
                                     TextMeasurer& measurer) {
    SettingsLayout layout;
    const std::wstring slot3 = MarkerText(catalogue, slots.ButtonFunctions[3]);
    const std::wstring slot4 = MarkerText(catalogue, slots.ButtonFunctions[4]);
    // Both anchors sit half a line of slot 3's text above their lines' ends.
    const float lineHeight = measurer.Measure(slot3).y;
    layout.markers[0] = LayOutMarker(3, slot3, kSlot3Anchor, true, lineHeight, measurer);
    layout.markers[1] = LayOutMarker(4, slot4, kSlot4Anchor, false, lineHeight, measurer);
    for (const MarkerLayout& m : layout.markers) layout.slotRects[std::size_t(m.slot)] = m.hitRect;
    layout.defaultButtonRect = kDefaultButtonRect;
    layout.captionButtonRects = {CaptionButtonRect(0), CaptionButtonRect(1)};
    return layout;
}
