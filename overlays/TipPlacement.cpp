#include "overlays/TipPlacement.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Font sizes beyond this are nonsense from a caller; kept from overflowing the quarter added.
constexpr int kMaxFontPixels = 4096;

// The text is laid out in a box of `limit`: a larger measurement cannot come from a sound measurer.
double Sane(float measured, int limit) {
    if (!std::isfinite(measured) || measured <= 0) return 0;
    return std::min(double(measured), double(limit));
}

// Truncation toward zero; a point far outside any screen is held at the ends of int instead of overflowing.
int Truncate(double value) {
    constexpr double low = std::numeric_limits<int>::min();
    constexpr double high = std::numeric_limits<int>::max();
    return static_cast<int>(std::clamp(value, low, high));
}

}  // namespace

int TipMeasureFontPixels(int fontPixels) {
    const int pixels = std::clamp(fontPixels, 0, kMaxFontPixels);
    return pixels + pixels / 4;
}

int TipDrawFontPixels(int fontPixels, const DisplayScale& scale) {
    return scale.Px(std::clamp(fontPixels, 0, kMaxFontPixels));
}

TipPlacement PlaceTipAround(int x, int y, TipTextSize measured, const DisplayScale& scale) {
    const double w = Sane(measured.width, scale.Px(kTipLayoutWidth));
    const double h = Sane(measured.height, scale.Px(kTipLayoutHeight));
    const double pad = scale.Px(28);
    const double half = scale.Px(14);
    TipPlacement place;
    // Toward zero also left of and above the primary monitor, where coordinates are negative.
    place.left = Truncate(double(x) - 0.5 * w - 0.0625 * w - half);
    place.top = Truncate(double(y) - 0.5 * h - half);
    place.width = Truncate(w + 0.125 * w + pad);
    place.height = Truncate(h + pad);
    return place;
}

TipPlacement PlaceTip(int x, int y, const std::wstring& text, int fontPixels, const TipTextMeasurer& measurer,
                      const DisplayScale& scale) {
    const int measurePixels = TipMeasureFontPixels(TipDrawFontPixels(fontPixels, scale));
    const TipTextSize measured =
        scale.IsIdentity()
            ? measurer.Measure(text, measurePixels)
            : measurer.MeasureIn(text, measurePixels, scale.Px(kTipLayoutWidth), scale.Px(kTipLayoutHeight));
    return PlaceTipAround(x, y, measured, scale);
}
