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

TipPlacement PlaceTipAround(int x, int y, TipTextSize measured) {
    const double w = Sane(measured.width, kTipLayoutWidth);
    const double h = Sane(measured.height, kTipLayoutHeight);
    TipPlacement place;
    // Toward zero also left of and above the primary monitor, where coordinates are negative.
    place.left = Truncate(double(x) - 0.5 * w - 0.0625 * w - 14);
    place.top = Truncate(double(y) - 0.5 * h - 14);
    place.width = Truncate(w + 0.125 * w + 28);
    place.height = Truncate(h + 28);
    return place;
}

TipPlacement PlaceTip(int x, int y, const std::wstring& text, int fontPixels, const TipTextMeasurer& measurer) {
    return PlaceTipAround(x, y, measurer.Measure(text, TipMeasureFontPixels(fontPixels)));
}
