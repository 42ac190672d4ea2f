#pragma once
// Where the settings view draws what, in window client pixels: the photograph, the Default button, the
// Minimize and Close boxes, the leader lines that point at the mouse's two side buttons and the two slot
// markers that read the functions assigned to them. The markers' size follows their text, so the layout is
// computed from measured text; the hit rectangles the interaction uses come from the same computation, so
// what can be clicked is always what was drawn.
#include "shell/Catalogue.h"

#include <array>
#include <string>

struct PointF {
    float x = 0;
    float y = 0;
};

struct RectF {
    float x = 0;
    float y = 0;
    float width = 0;
    float height = 0;
};

// Integer rectangle, right and bottom exclusive: a point is inside when left <= x < right, top <= y < bottom.
struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    bool Empty() const { return right <= left || bottom <= top; }
    bool operator==(const PixelRect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
    bool operator!=(const PixelRect& o) const { return !(*this == o); }
};

// Measures a text as the view draws it (label font, layout box 1024 x 100, centred, trimmed at a word).
class TextMeasurer {
public:
    virtual ~TextMeasurer() = default;
    virtual PointF Measure(const std::wstring& text) = 0;  // x: width, y: height
};

// Fixed places of the view.
constexpr int kPhotoX = 70;
constexpr int kPhotoY = 90;
constexpr PixelRect kDefaultButtonRect{500, 50, 600, 82};
constexpr int kCaptionButtonLeft = 598;  // Minimize; Close is 28 pixels further right
constexpr int kCaptionButtonStep = 28;
constexpr int kCaptionButtonTop = 14;
constexpr int kCaptionButtonSize = 20;
constexpr float kLabelFontPixels = 18;
constexpr float kDefaultFontPixels = 15;

constexpr int kSlotCount = 5;
// Only the two side buttons have a marker: slots 3 ("bt3") and 4 ("bt4").
constexpr std::array<bool, kSlotCount> kSlotHasMarker{false, false, false, true, true};

// One segment of a leader line: the first of each line is 6 pixels wide and starts with an arrow head at
// the side button, the others are 4 pixels wide with rounded starts.
struct LeaderSegment {
    PointF from;
    PointF to;
    float width;
    bool arrowStart;
};

struct LeaderLine {
    std::array<LeaderSegment, 3> shadow;  // black, one pixel lower
    std::array<LeaderSegment, 3> light;   // yellow
};

// The leader line of slot 3 or 4 (fixed geometry).
const LeaderLine& LeaderLineOf(int slot);

struct MarkerLayout {
    int slot = -1;
    std::wstring text;      // what the marker reads
    bool labelLeft = false; // slot 3's label stands left of its anchor, slot 4's right
    PointF anchor;
    float x0 = 0;           // the label's left edge
    float top = 0;
    PointF textSize;        // measured width and height
    PixelRect hitRect;      // SlotRects[slot]
    RectF box;              // the dark box behind the label and its square
    RectF square;           // the drop-down square right of the text
    PointF arrowTip;        // the drop-down arrow: a short vertical stroke whose start cap is the triangle
    PointF arrowEnd;
    float arrowPenWidth = 0;
    RectF textRect;         // the text; its shadow is one pixel right and down
};

struct SettingsLayout {
    std::array<MarkerLayout, 2> markers;  // slot 3, then slot 4
    std::array<PixelRect, kSlotCount> slotRects;
    PixelRect defaultButtonRect;
    std::array<PixelRect, 2> captionButtonRects;  // Minimize, Close
};

// What a marker reads for a function number: the catalogue entry's name, "No function" outside the
// catalogue, "..." for an empty name.
std::wstring MarkerText(const FunctionCatalogueModel& catalogue, int functionNumber);

// The whole layout for the current slots. The anchors' height is that of slot 3's text, measured the way it is
// drawn (with the same fallback for a number outside the catalogue).
SettingsLayout ComputeSettingsLayout(const FunctionCatalogueModel& catalogue, const ButtonSlots& slots,
                                     TextMeasurer& measurer);

// The Minimize (0) or Close (1) box.
PixelRect CaptionButtonRect(int button);
