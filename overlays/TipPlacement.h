#pragma once
// Where the tooltip goes: the window is an eighth wider than its text plus 28 pixels, 28 pixels higher,
// and centred on the point it was asked for (at 96 DPI; at another scale the font and the margins grow with
// it). The text is measured a quarter larger than it is drawn, so the bar leaves room around it. Portable:
// the Windows half measures with GDI+.
#include "shell/DisplayScale.h"

#include <string>

// The layout box the text is measured in (at 96 DPI): lines wider than this wrap at word boundaries, and
// lines below its height are left out of the measurement.
constexpr int kTipLayoutWidth = 1024;
constexpr int kTipLayoutHeight = 100;
// The family the tooltip measures and draws its text in.
constexpr const wchar_t* kTipFontFamily = L"Tahoma";

struct TipTextSize {
    float width = 0;
    float height = 0;
};

// Measures tooltip text: the bounding box of `text` in the tooltip's font at `pixels`, laid out centred in
// the kTipLayoutWidth x kTipLayoutHeight box with trimming at word boundaries.
class TipTextMeasurer {
public:
    virtual ~TipTextMeasurer() = default;
    // {0, 0} when the text cannot be measured.
    virtual TipTextSize Measure(const std::wstring& text, int pixels) const = 0;
    // The same in a layout box of `layoutWidth` x `layoutHeight` (the 96-DPI box scaled with the font); a
    // measurer that lays out in the 96-DPI box alone may leave this as it is.
    virtual TipTextSize MeasureIn(const std::wstring& text, int pixels, int layoutWidth, int layoutHeight) const {
        (void)layoutWidth;
        (void)layoutHeight;
        return Measure(text, pixels);
    }
};

// The window's screen rectangle.
struct TipPlacement {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// The size the text is measured at: the drawing size plus a quarter (integer).
int TipMeasureFontPixels(int fontPixels);

// The size a tip asked for at `fontPixels` (a 96-DPI figure, 20 for every caller) is drawn at on a monitor
// of `scale`: 30 at 150 %.
int TipDrawFontPixels(int fontPixels, const DisplayScale& scale);

// The rectangle for a measured text centred on (x, y), computed in floating point and truncated toward
// zero. A measurement that is negative or not a number counts as 0. The 28 pixels around the text (14 each
// side) and the layout box the measurement is bounded by are 96-DPI figures, scaled with `scale`.
TipPlacement PlaceTipAround(int x, int y, TipTextSize measured, const DisplayScale& scale = DisplayScale());

// Measures `text` at TipMeasureFontPixels of the drawing size at `scale` and places it around (x, y).
TipPlacement PlaceTip(int x, int y, const std::wstring& text, int fontPixels, const TipTextMeasurer& measurer,
                      const DisplayScale& scale = DisplayScale());
