// Where the tooltip's window goes for a text: measured a quarter larger than it is drawn, an eighth wider
// plus 28 and 28 higher than the measurement, centred on the point, truncated toward zero.
#include "overlays/TipPlacement.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

// Measures like a monospaced font: each character 0.45 of the pixel size wide, one line 1.21 high. Keeps
// what it was asked.
class FakeMeasurer : public TipTextMeasurer {
public:
    TipTextSize Measure(const std::wstring& text, int pixels) const override {
        calls.push_back({text, pixels});
        return {0.45f * float(pixels) * float(text.size()), 1.21f * float(pixels)};
    }
    struct Call {
        std::wstring text;
        int pixels;
    };
    mutable std::vector<Call> calls;
};

class FixedMeasurer : public TipTextMeasurer {
public:
    explicit FixedMeasurer(TipTextSize size) : size(size) {}
    TipTextSize Measure(const std::wstring&, int) const override { return size; }
    TipTextSize size;
};

TEST(TipPlacement, OneWordIsCentredOnThePointWithItsMargins) {
    FakeMeasurer measurer;
    TipPlacement place = PlaceTip(500, 400, L"Default", 20, measurer);

    ASSERT_EQ(measurer.calls.size(), 1u);
    EXPECT_EQ(measurer.calls[0].text, L"Default");
    EXPECT_EQ(measurer.calls[0].pixels, 25) << "measured in 20 + 20 / 4 pixels";
    const double w = 0.45f * 25.0f * 7.0f;  // 78.75
    const double h = 1.21f * 25.0f;         // 30.25
    EXPECT_EQ(place.width, int(1.125 * w + 28));
    EXPECT_EQ(place.height, int(h + 28));
    EXPECT_EQ(place.left, int(500 - 0.5625 * w - 14));
    EXPECT_EQ(place.top, int(400 - 0.5 * h - 14));
    // Centred on the point, to the pixel truncation costs.
    EXPECT_NEAR(place.left + place.width / 2.0, 500, 1.0);
    EXPECT_NEAR(place.top + place.height / 2.0, 400, 1.0);
}

TEST(TipPlacement, TheMeasuringSizeIsAQuarterLarger) {
    struct Row {
        int drawn, measured;
    } rows[] = {{20, 25}, {0, 0}, {3, 3}, {4, 5}, {23, 28}, {-8, 0}, {std::numeric_limits<int>::max(), 5120}};
    for (const Row& row : rows) EXPECT_EQ(TipMeasureFontPixels(row.drawn), row.measured) << row.drawn;
}

TEST(TipPlacement, CoordinatesAreTruncatedTowardZero) {
    // width 10: the window is 10 + 1.25 + 28 = 39.25 wide, its left edge 19.625 left of the point.
    struct Row {
        const char* where;
        int x, y;
        TipTextSize measured;
        TipPlacement expected;
    } rows[] = {
        {"on the primary monitor", 100, 100, {10, 10}, {80, 81, 39, 38}},
        {"left of and above it", -100, -3, {10, 10}, {-119, -22, 39, 38}},
        {"at the origin", 0, 0, {10, 10}, {-19, -19, 39, 38}},
        {"empty text", 300, 200, {0, 0}, {286, 186, 28, 28}},
        {"fractional height", 300, 200, {8, 17.5f}, {281, 177, 37, 45}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.where);
        TipPlacement place = PlaceTipAround(row.x, row.y, row.measured);
        EXPECT_EQ(place.left, row.expected.left);
        EXPECT_EQ(place.top, row.expected.top);
        EXPECT_EQ(place.width, row.expected.width);
        EXPECT_EQ(place.height, row.expected.height);
    }
}

TEST(TipPlacement, AFailedOrUnsoundMeasurementGivesTheBareBar) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (TipTextSize bad : {TipTextSize{0, 0}, TipTextSize{-40, -12}, TipTextSize{nan, nan}, TipTextSize{-inf, nan}}) {
        TipPlacement place = PlaceTip(640, 480, L"anything", 20, FixedMeasurer(bad));
        EXPECT_EQ(place.width, 28);
        EXPECT_EQ(place.height, 28);
        EXPECT_EQ(place.left, 626);
        EXPECT_EQ(place.top, 466);
    }
}

TEST(TipPlacement, NothingLargerThanTheLayoutBoxIsPlaced) {
    // A wrapped text fills the 1024 x 100 box at most; a measurer claiming more is held to it.
    TipPlacement place = PlaceTipAround(0, 0, {1e30f, 1e30f});
    EXPECT_EQ(place.width, int(1024 * 1.125 + 28));
    EXPECT_EQ(place.height, 128);
    // A point far off every screen does not overflow.
    place = PlaceTipAround(std::numeric_limits<int>::min(), std::numeric_limits<int>::max(), {1024, 100});
    EXPECT_EQ(place.left, std::numeric_limits<int>::min());
    EXPECT_EQ(place.top, std::numeric_limits<int>::max() - 64);
}

}  // namespace
