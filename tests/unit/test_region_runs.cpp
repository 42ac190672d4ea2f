// The region of an image's visible pixels: runs per row, both row orders, and the region-data block.
#include "overlays/RegionRuns.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// An image held top-down; Stored() gives the array in the order the scan is asked to read.
struct TestImage {
    int width;
    int height;
    std::vector<uint32_t> pixels;  // top-down

    TestImage(int w, int h, uint32_t fill = 0)
        : width(w), height(h), pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), fill) {}
    uint32_t& At(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }

    std::vector<uint32_t> Stored(RowOrder order) const {
        if (order == RowOrder::TopDown) return pixels;
        std::vector<uint32_t> flipped(pixels.size());
        for (int y = 0; y < height; ++y) {
            std::memcpy(&flipped[static_cast<std::size_t>(height - 1 - y) * width],
                        &pixels[static_cast<std::size_t>(y) * width], sizeof(uint32_t) * width);
        }
        return flipped;
    }
    std::vector<RegionRect> Runs(RowOrder order) const {
        std::vector<uint32_t> stored = Stored(order);
        return RegionRunsFromPixels(stored.data(), width, height, order);
    }
};

// Paints the rectangles back into a coverage count per pixel; a correct region covers every visible pixel
// exactly once and nothing else.
void ExpectExactCover(const TestImage& image, const std::vector<RegionRect>& rects) {
    std::vector<int> cover(image.pixels.size(), 0);
    for (const RegionRect& r : rects) {
        ASSERT_LT(r.left, r.right);
        ASSERT_EQ(r.top + 1, r.bottom) << "a rectangle spans more than one row";
        ASSERT_GE(r.left, 0);
        ASSERT_LE(r.right, image.width);
        ASSERT_GE(r.top, 0);
        ASSERT_LT(r.top, image.height);
        for (int x = r.left; x < r.right; ++x) ++cover[static_cast<std::size_t>(r.top) * image.width + x];
    }
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * image.width + x;
            ASSERT_EQ(cover[i], image.pixels[i] != 0 ? 1 : 0) << "pixel " << x << "," << y;
        }
    }
}

// Rows from the top down, each left to right, so the system gets the rectangles already banded.
void ExpectScanOrder(const std::vector<RegionRect>& rects) {
    for (std::size_t i = 1; i < rects.size(); ++i) {
        const RegionRect& a = rects[i - 1];
        const RegionRect& b = rects[i];
        ASSERT_TRUE(a.top < b.top || (a.top == b.top && a.right < b.left)) << "at rectangle " << i;
    }
}

TestImage MagnifierFrame() {
    TestImage image(300, 300);
    for (int y = 0; y < 300; ++y) {
        for (int x = 0; x < 300; ++x) {
            if (x < 4 || x >= 296 || y < 4 || y >= 296) image.At(x, y) = 0x55000000;  // black at alpha 0x55
        }
    }
    return image;
}

const RowOrder kOrders[] = {RowOrder::TopDown, RowOrder::BottomUp};

}  // namespace

TEST(RegionRuns, FrameImageGivesBandsAlongAllFourEdges) {
    const TestImage frame = MagnifierFrame();
    for (RowOrder order : kOrders) {
        SCOPED_TRACE(order == RowOrder::TopDown ? "top-down" : "bottom-up");
        const std::vector<RegionRect> rects = frame.Runs(order);
        // 4 full rows at the top and 4 at the bottom, two 4-pixel bands in each of the 292 rows between.
        ASSERT_EQ(rects.size(), 8u + 2u * 292u);
        EXPECT_EQ(rects[0], (RegionRect{0, 0, 300, 1}));
        EXPECT_EQ(rects[3], (RegionRect{0, 3, 300, 4}));
        EXPECT_EQ(rects[4], (RegionRect{0, 4, 4, 5}));
        EXPECT_EQ(rects[5], (RegionRect{296, 4, 300, 5}));  // the band that reaches the right edge
        EXPECT_EQ(rects[4 + 2 * 150], (RegionRect{0, 154, 4, 155}));
        EXPECT_EQ(rects[5 + 2 * 150], (RegionRect{296, 154, 300, 155}));
        EXPECT_EQ(rects[4 + 2 * 292], (RegionRect{0, 296, 300, 297}));
        EXPECT_EQ(rects.back(), (RegionRect{0, 299, 300, 300}));
        ExpectExactCover(frame, rects);
        ExpectScanOrder(rects);
    }
}

TEST(RegionRuns, NothingVisibleGivesNoRectangles) {
    for (RowOrder order : kOrders) {
        EXPECT_TRUE(TestImage(300, 300).Runs(order).empty());
        EXPECT_TRUE(TestImage(1, 1).Runs(order).empty());
    }
    // No pixels to read at all.
    const uint32_t one = 0xFFFFFFFF;
    EXPECT_TRUE(RegionRunsFromPixels(nullptr, 10, 10, RowOrder::TopDown).empty());
    EXPECT_TRUE(RegionRunsFromPixels(&one, 0, 1, RowOrder::TopDown).empty());
    EXPECT_TRUE(RegionRunsFromPixels(&one, 1, 0, RowOrder::BottomUp).empty());
    EXPECT_TRUE(RegionRunsFromPixels(&one, -1, 1, RowOrder::TopDown).empty());
    EXPECT_TRUE(RegionRunsFromPixels(&one, 1, -5, RowOrder::BottomUp).empty());
}

TEST(RegionRuns, SinglePixelAtEachCornerLandsInImageCoordinates) {
    struct Corner {
        int x, y;
    };
    const Corner corners[] = {{0, 0}, {6, 0}, {0, 4}, {6, 4}};
    for (RowOrder order : kOrders) {
        for (const Corner& c : corners) {
            SCOPED_TRACE(testing::Message() << "corner " << c.x << "," << c.y
                                            << (order == RowOrder::TopDown ? " top-down" : " bottom-up"));
            TestImage image(7, 5);
            image.At(c.x, c.y) = 0xFF123456;
            const std::vector<RegionRect> rects = image.Runs(order);
            ASSERT_EQ(rects.size(), 1u);
            EXPECT_EQ(rects[0], (RegionRect{c.x, c.y, c.x + 1, c.y + 1}));
        }
    }
}

TEST(RegionRuns, EveryGapSplitsARun) {
    // Alternating pixels: every visible pixel is a run of its own, including one in the last column.
    TestImage stripes(7, 2);
    for (int x = 0; x < 7; x += 2) stripes.At(x, 0) = 0xFFFFFFFF;
    for (int x = 1; x < 7; x += 2) stripes.At(x, 1) = 0xFFFFFFFF;
    const std::vector<RegionRect> rects = stripes.Runs(RowOrder::BottomUp);
    const std::vector<RegionRect> expected = {{0, 0, 1, 1}, {2, 0, 3, 1}, {4, 0, 5, 1}, {6, 0, 7, 1},
                                              {1, 1, 2, 2}, {3, 1, 4, 2}, {5, 1, 6, 2}};
    EXPECT_EQ(rects, expected);

    // A full-width checkerboard: every rectangle is kept, far beyond the room of one per row.
    TestImage board(300, 300);
    for (int y = 0; y < 300; ++y) {
        for (int x = (y & 1); x < 300; x += 2) board.At(x, y) = 0x01000000;
    }
    const std::vector<RegionRect> all = board.Runs(RowOrder::BottomUp);
    EXPECT_EQ(all.size(), 300u * 150u);
    ExpectExactCover(board, all);
    ExpectScanOrder(all);
}

TEST(RegionRuns, FullRowsAreOneRunAndNeverJoinTheNextRow) {
    TestImage image(5, 3);
    for (int x = 0; x < 5; ++x) image.At(x, 1) = 0xFF000000;
    for (RowOrder order : kOrders) {
        const std::vector<RegionRect> rects = image.Runs(order);
        ASSERT_EQ(rects.size(), 1u);
        EXPECT_EQ(rects[0], (RegionRect{0, 1, 5, 2}));
    }

    // The end of one row and the start of the next are neighbours in memory, not in the image.
    TestImage wrap(4, 2);
    wrap.At(2, 0) = wrap.At(3, 0) = 7;
    wrap.At(0, 1) = wrap.At(1, 1) = 7;
    const std::vector<RegionRect> expected = {{2, 0, 4, 1}, {0, 1, 2, 2}};
    for (RowOrder order : kOrders) EXPECT_EQ(wrap.Runs(order), expected);

    // One column.
    TestImage column(1, 3, 0x80808080);
    const std::vector<RegionRect> columnRects = {{0, 0, 1, 1}, {0, 1, 1, 2}, {0, 2, 1, 3}};
    EXPECT_EQ(column.Runs(RowOrder::BottomUp), columnRects);
}

TEST(RegionRuns, OneByOneImages) {
    for (RowOrder order : kOrders) {
        EXPECT_TRUE(TestImage(1, 1, 0).Runs(order).empty());
        const std::vector<RegionRect> rects = TestImage(1, 1, 0xFFFFFFFF).Runs(order);
        ASSERT_EQ(rects.size(), 1u);
        EXPECT_EQ(rects[0], (RegionRect{0, 0, 1, 1}));
    }
}

TEST(RegionRuns, OnlyTheValueZeroIsTransparent) {
    // Alpha 0 with colour bits left, and colour 0 with alpha, are both visible: the conversion with
    // background 0 is what turns fully transparent pixels into 0.
    TestImage image(5, 1);
    image.At(0, 0) = 0x00FFFFFF;
    image.At(1, 0) = 0x00000001;
    image.At(2, 0) = 0;
    image.At(3, 0) = 0xFF000000;
    image.At(4, 0) = 0x01000000;
    const std::vector<RegionRect> expected = {{0, 0, 2, 1}, {3, 0, 5, 1}};
    for (RowOrder order : kOrders) EXPECT_EQ(image.Runs(order), expected);
}

TEST(RegionRuns, BothRowOrdersGiveTheSameRegion) {
    // An irregular shape: a disc with a hole and a spur to the right edge.
    TestImage shape(41, 23);
    for (int y = 0; y < 23; ++y) {
        for (int x = 0; x < 41; ++x) {
            const int dx = x - 15, dy = y - 11;
            const int d = dx * dx + dy * dy;
            if ((d <= 100 && d > 9) || (y == 11 && x > 15)) shape.At(x, y) = 0xFF000000u | uint32_t(x * y);
        }
    }
    const std::vector<RegionRect> topDown = shape.Runs(RowOrder::TopDown);
    EXPECT_EQ(topDown, shape.Runs(RowOrder::BottomUp));
    ExpectExactCover(shape, topDown);
    ExpectScanOrder(topDown);
}

TEST(RegionData, HeaderAndRectanglesInTheSystemLayout) {
    const std::vector<RegionRect> rects = {{2, 0, 4, 1}, {0, 1, 2, 2}, {296, 7, 300, 8}};
    const std::vector<uint32_t> data = BuildRegionData(rects);
    ASSERT_EQ(data.size() * sizeof(uint32_t), kRegionHeaderBytes + 3 * kRegionRectBytes);
    EXPECT_EQ(data[0], 32u);                   // dwSize
    EXPECT_EQ(data[1], kRegionTypeRectangles);  // iType
    EXPECT_EQ(data[2], 3u);                    // nCount
    EXPECT_EQ(data[3], 48u);                   // nRgnSize
    EXPECT_EQ(data[4], 0u);                    // rcBound
    EXPECT_EQ(data[5], 0u);
    EXPECT_EQ(data[6], 300u);
    EXPECT_EQ(data[7], 8u);
    const uint32_t expectedRects[] = {2, 0, 4, 1, 0, 1, 2, 2, 296, 7, 300, 8};
    for (std::size_t i = 0; i < 12; ++i) EXPECT_EQ(data[8 + i], expectedRects[i]) << "word " << i;
}

TEST(RegionData, EmptyRegionIsAHeaderAlone) {
    const std::vector<uint32_t> data = BuildRegionData({});
    ASSERT_EQ(data.size() * sizeof(uint32_t), kRegionHeaderBytes);
    EXPECT_EQ(data[0], 32u);
    EXPECT_EQ(data[1], kRegionTypeRectangles);
    for (std::size_t i = 2; i < 8; ++i) EXPECT_EQ(data[i], 0u) << "word " << i;
}

TEST(RegionData, LargeRegionKeepsEveryRectangle) {
    TestImage frame = MagnifierFrame();
    const std::vector<RegionRect> rects = frame.Runs(RowOrder::BottomUp);
    const std::vector<uint32_t> data = BuildRegionData(rects);
    ASSERT_EQ(data.size(), 8 + 4 * rects.size());
    EXPECT_EQ(data[2], rects.size());
    EXPECT_EQ(data[6], 300u);
    EXPECT_EQ(data[7], 300u);
    for (std::size_t i = 0; i < rects.size(); ++i) {
        const uint32_t* r = &data[8 + 4 * i];
        ASSERT_EQ((RegionRect{int32_t(r[0]), int32_t(r[1]), int32_t(r[2]), int32_t(r[3])}), rects[i]) << i;
    }
}
