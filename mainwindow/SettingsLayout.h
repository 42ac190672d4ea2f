#pragma once
// Where the settings view draws what, in window client pixels: the photograph, the Default button, the
// Minimize and Close boxes, the leader lines that point at the mouse's two side buttons and the two slot
// markers that read the functions assigned to them. The markers' size follows their text, so the layout is
// computed from measured text; the hit rectangles the interaction uses come from the same computation, so
// what can be clicked is always what was drawn.
//
// Every figure below is the one at 96 DPI; the layout takes the window's DisplayScale and scales them, and the
// measurer measures at the font the window draws with at that scale, so at 150 % a marker is one and a half
// times as wide as its text at 100 % and still exactly as wide as the text it reads.
#include "shell/Catalogue.h"
#include "shell/DisplayScale.h"

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

// Measures a text as the view draws it (label font at the layout's scale, layout box 1024 x 100, centred,
// trimmed at a word).
class TextMeasurer {
public:
    virtual ~TextMeasurer() = default;
    virtual PointF Measure(const std::wstring& text) = 0;  // x: width, y: height
};

// Fixed places of the view at 96 DPI.
constexpr int kWindowWidth = 670;  // the background picture's size, and so the window's
constexpr int kWindowHeight = 500;
constexpr int kPhotoX = 70;
constexpr int kPhotoY = 90;
constexpr int kPhotoWidth = 500;  // the 1x photograph's size; the larger ones are drawn into the same place
constexpr int kPhotoHeight = 365;
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

// The leader line of slot 3 or 4 (fixed geometry) at 96 DPI, and at `scale`: every point and width scaled
// alike, so the line still starts at the side button of the photograph drawn at that scale.
const LeaderLine& LeaderLineOf(int slot);
LeaderLine LeaderLineOf(int slot, const DisplayScale& scale);

// One stroke of the Minimize (a bar) or Close (a cross) glyph inside its box.
struct CaptionStroke {
    int button = 0;  // 0 Minimize, 1 Close
    PointF from;
    PointF to;
};

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
    DisplayScale scale;
    std::array<MarkerLayout, 2> markers;  // slot 3, then slot 4
    std::array<PixelRect, kSlotCount> slotRects;
    PixelRect defaultButtonRect;
    std::array<PixelRect, 2> captionButtonRects;  // Minimize, Close
    std::array<CaptionStroke, 3> captionStrokes;  // Minimize's bar, then Close's two
    PixelRect photoRect;                          // where the photograph is drawn, whichever artwork it is
    std::array<LeaderLine, 2> leaders;            // slot 3's, slot 4's
    float labelFontPixels = kLabelFontPixels;     // the markers' font
    float defaultFontPixels = kDefaultFontPixels; // the Default button's
    float hairline = 1;                           // the outlines' pen, and the text shadow's offset
};

// The window's size at `scale`: the background picture's at 96 DPI, scaled.
struct PixelSize {
    int width = 0;
    int height = 0;
    bool operator==(const PixelSize& o) const { return width == o.width && height == o.height; }
};
PixelSize SettingsWindowSize(const DisplayScale& scale);

// What a marker reads for a function number: the catalogue entry's name, "No function" outside the
// catalogue, "..." for an empty name.
std::wstring MarkerText(const FunctionCatalogueModel& catalogue, int functionNumber);

// The whole layout for the current slots. The anchors' height is that of slot 3's text, measured the way it is
// drawn (with the same fallback for a number outside the catalogue).
// `measurer` measures at the label font of `scale` (labelFontPixels).
SettingsLayout ComputeSettingsLayout(const FunctionCatalogueModel& catalogue, const ButtonSlots& slots,
                                     TextMeasurer& measurer, const DisplayScale& scale = DisplayScale{});

// The Minimize (0) or Close (1) box.
PixelRect CaptionButtonRect(int button, const DisplayScale& scale = DisplayScale{});
