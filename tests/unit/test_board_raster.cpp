// The board's pixels: blending, the highlighter's strokes and eraser, the pen cursor, the dashed outline, the
// darkening, a frame rendered in pieces against one rendered whole, the snap pictures and the CF_DIB block.
#include "overlays/BoardRaster.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

struct Image {
    int width, height;
    std::vector<uint32_t> pixels;
    Image(int w, int h, uint32_t fill = 0) : width(w), height(h), pixels(std::size_t(w) * h, fill) {}
    BoardPixels View() { return {pixels.data(), width, height}; }
    uint32_t At(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
    uint32_t& At(int x, int y) { return pixels[std::size_t(y) * width + x]; }
    int Count(uint32_t value) const {
        int n = 0;
        for (uint32_t p : pixels) n += p == value;
        return n;
    }
};

// A frozen picture with something in every pixel: a gradient, opaque.
Image Picture(int w, int h) {
    Image image(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            image.At(x, y) = 0xFF000000u | uint32_t((x * 7) & 0xFF) << 16 | uint32_t((y * 5) & 0xFF) << 8 |
                             uint32_t((x + y) & 0xFF);
        }
    return image;
}

TEST(BoardBlend, PremultipliedSourceOver) {
    struct Row {
        uint32_t argb, dest, out;
    } rows[] = {
        {0x90FF0000, 0xFF000000, 0xFF900000},  // red stroke over black
        {0x90FF0000, 0xFFFFFFFF, 0xFFFF6F6F},  // over white: 0x90 + 0x6F
        {0xC8000000, 0xFFFFFFFF, 0xFF373737},  // the darkening keeps 55/255
        {0xC8000000, 0xFF808080, 0xFF1C1C1C},
        {0x00000000, 0xFF123456, 0xFF123456},  // nothing over anything
        {0xFF00FF00, 0xFF123456, 0xFF00FF00},  // opaque replaces
        {0x9000FF00, 0x00000000, 0x90009000},  // over transparent: the premultiplied source itself
    };
    for (const Row& row : rows) {
        EXPECT_EQ(BlendOver(Premultiply(row.argb), row.dest), row.out) << std::hex << row.argb << " over " << row.dest;
    }
    EXPECT_EQ(Premultiply(0x80FFFF00), 0x80808000u);
    EXPECT_EQ(Premultiply(0xDEFF0000), 0xDEDE0000u);
}

TEST(BoardInk, StrokesReplaceWhatIsUnderThemAndTheEraserClears) {
    Image ink(120, 80);
    // A horizontal red stroke: 16 pixels high, round ends reaching 8 pixels beyond its points.
    StampStroke(ink.View(), {30, 40}, {90, 40}, StrokeColour(0));
    const uint32_t red = Premultiply(StrokeColour(0));
    for (int y = 32; y < 48; ++y) EXPECT_EQ(ink.At(60, y), red) << y;
    EXPECT_EQ(ink.At(60, 31), 0u);
    EXPECT_EQ(ink.At(60, 48), 0u);
    EXPECT_EQ(ink.At(22, 40), red);
    EXPECT_EQ(ink.At(21, 40), 0u);
    EXPECT_EQ(ink.At(97, 40), red);
    EXPECT_EQ(ink.At(98, 40), 0u);
    EXPECT_EQ(ink.At(24, 33), 0u) << "the end is round, not square";
    // Green across it replaces the red, never mixes with it.
    StampStroke(ink.View(), {60, 10}, {60, 70}, StrokeColour(1));
    EXPECT_EQ(ink.At(60, 40), Premultiply(StrokeColour(1)));
    EXPECT_EQ(ink.At(40, 40), red);
    // The eraser across both: fully transparent again where it passed.
    StampStroke(ink.View(), {10, 40}, {110, 40}, StrokeColour(kEraserColour));
    for (int x = 0; x < 120; ++x) EXPECT_EQ(ink.At(x, 40), 0u) << x;
    EXPECT_EQ(ink.At(60, 15), Premultiply(StrokeColour(1))) << "beyond the eraser's reach";
    // A dot (a fresh press) is a disc 16 pixels across.
    Image dot(40, 40);
    StampStroke(dot.View(), {20, 20}, {20, 20}, StrokeColour(2));
    EXPECT_NEAR(dot.Count(Premultiply(StrokeColour(2))), 3.14159 * 64, 12);
    EXPECT_EQ(dot.At(12, 20), Premultiply(StrokeColour(2)));
    EXPECT_EQ(dot.At(27, 20), Premultiply(StrokeColour(2)));
    EXPECT_EQ(dot.At(11, 20), 0u);
    // Off the image: nothing, and nothing reported.
    EXPECT_TRUE(StampStroke(dot.View(), {-100, -100}, {-60, -90}, StrokeColour(0)).Empty());
}

TEST(BoardFrame, PenCursorIsAFilledDiscInsideARing) {
    Image frame(60, 60, 0xFF000000);
    DrawPenCursor(frame.View(), {30, 30}, 0, frame.View().Bounds());
    EXPECT_EQ(frame.At(30, 30), BlendOver(Premultiply(0x80FF0000), 0xFF000000));  // the fill
    EXPECT_EQ(frame.At(38, 30), BlendOver(Premultiply(0xFEFF0000), 0xFF000000));  // the ring, 8 from the centre
    EXPECT_EQ(frame.At(30, 21), BlendOver(Premultiply(0xFEFF0000), 0xFF000000));
    EXPECT_EQ(frame.At(41, 30), 0xFF000000u) << "beyond the ring's outer edge";
    // Drawn only inside the clip.
    Image clipped(60, 60, 0xFF000000);
    DrawPenCursor(clipped.View(), {30, 30}, 0, {0, 0, 30, 60});
    EXPECT_NE(clipped.At(29, 30), 0xFF000000u);
    EXPECT_EQ(clipped.At(30, 30), 0xFF000000u);
}

TEST(BoardFrame, TheSelectionOutlineIsDashedAndStraddlesTheEdges) {
    Image frame(200, 120, 0xFF000000);
    const BoardRect sel{40, 30, 161, 91};
    DrawRectOutline(frame.View(), sel, frame.View().Bounds());
    const uint32_t ink = BlendOver(Premultiply(kOutlineColour), 0xFF000000);
    // Two pixels across each edge: one outside, one inside.
    EXPECT_EQ(frame.At(48, 29), ink);
    EXPECT_EQ(frame.At(48, 30), ink);
    EXPECT_EQ(frame.At(48, 31), 0xFF000000u);
    EXPECT_EQ(frame.At(39, 48), ink);
    EXPECT_EQ(frame.At(41, 48), 0xFF000000u);
    EXPECT_EQ(frame.At(161, 48), ink);
    EXPECT_EQ(frame.At(162, 48), 0xFF000000u);
    // Dashes: six on, two off, along the top edge.
    for (int x = 48; x < 64; ++x) EXPECT_EQ(frame.At(x, 29) == ink, (x % 8) < 6) << x;
    // A one-pixel selection still shows its outline, each pixel drawn once.
    Image tiny(20, 20, 0xFF000000);
    DrawRectOutline(tiny.View(), {8, 8, 9, 9}, tiny.View().Bounds());
    EXPECT_EQ(tiny.At(8, 8), BlendOver(Premultiply(kOutlineColour), 0xFF000000));
}

TEST(BoardFrame, DarkeningLeavesTheSelectionAlone) {
    Image frame(50, 40, 0xFFFFFFFF);
    DarkenExceptRect(frame.View(), {10, 10, 20, 30}, frame.View().Bounds());
    EXPECT_EQ(frame.At(10, 10), 0xFFFFFFFFu);
    EXPECT_EQ(frame.At(19, 29), 0xFFFFFFFFu);
    EXPECT_EQ(frame.At(9, 10), 0xFF373737u);
    EXPECT_EQ(frame.At(20, 10), 0xFF373737u);
    EXPECT_EQ(frame.At(15, 30), 0xFF373737u);
    EXPECT_EQ(frame.Count(0xFFFFFFFF), 200);
    // Around a selection on the board's top-left corner, like any other.
    Image corner(50, 40, 0xFFFFFFFF);
    DarkenExceptRect(corner.View(), {0, 0, 5, 5}, corner.View().Bounds());
    EXPECT_EQ(corner.Count(0xFFFFFFFF), 25);
    // Around the inside of a free-form outline.
    Image free(50, 40, 0xFFFFFFFF);
    const RowSpans inside = PolygonSpans({{25, 5}, {45, 20}, {25, 35}, {5, 20}}, 0, 40);
    DarkenExceptSpans(free.View(), inside, free.View().Bounds());
    EXPECT_EQ(free.At(25, 20), 0xFFFFFFFFu);
    EXPECT_EQ(free.At(2, 2), 0xFF373737u);
    EXPECT_EQ(free.At(47, 37), 0xFF373737u);
}

TEST(BoardFrame, RenderedInPiecesEqualsRenderedWhole) {
    const Image screen = Picture(97, 71);
    Image ink(97, 71);
    StampStroke(ink.View(), {10, 10}, {80, 50}, StrokeColour(0));
    StampStroke(ink.View(), {30, 60}, {30, 60}, StrokeColour(3));
    const std::vector<BoardPoint> outline = {{20, 20}, {70, 15}, {80, 60}, {25, 55}, {40, 35}};
    const RowSpans inside = PolygonSpans(OutlinePolygon(outline), 0, 71);
    BoardScene scenes[6];
    scenes[0].mode = BoardMode(1), scenes[0].penCursor = true, scenes[0].penAt = {50, 40}, scenes[0].colourIndex = 2;
    scenes[1].mode = BoardMode(3), scenes[1].dragging = true, scenes[1].selBounds = {12, 9, 61, 50};
    scenes[2].mode = BoardMode(3), scenes[2].darkenAroundRect = true, scenes[2].selBounds = {0, 0, 61, 50};
    scenes[3].mode = BoardMode(2), scenes[3].dragging = true, scenes[3].outline = &outline;
    scenes[4].mode = BoardMode(2), scenes[4].darkenAround = &inside;
    scenes[5].mode = BoardMode(1), scenes[5].penCursor = true, scenes[5].penAt = {0, 70}, scenes[5].colourIndex = 4;
    Image screenCopy = screen;
    for (int s = 0; s < 6; ++s) {
        Image whole(97, 71, 0xDEADBEEF), pieces(97, 71, 0xDEADBEEF);
        ComposeFrame(whole.View(), screenCopy.View(), ink.View(), scenes[s], whole.View().Bounds());
        for (int y = 0; y < 71; y += 13)
            for (int x = 0; x < 97; x += 17)
                ComposeFrame(pieces.View(), screenCopy.View(), ink.View(), scenes[s], {x, y, x + 17, y + 13});
        ASSERT_EQ(whole.pixels, pieces.pixels) << "scene " << s;
        EXPECT_EQ(whole.Count(0xDEADBEEF), 0) << "scene " << s << " left pixels unrendered";
    }
    // Outside its clip a render changes nothing; inside, the picture shows where nothing is drawn.
    Image frame(97, 71, 0xDEADBEEF);
    ComposeFrame(frame.View(), screenCopy.View(), ink.View(), scenes[0], {90, 0, 97, 5});
    EXPECT_EQ(frame.Count(0xDEADBEEF), 97 * 71 - 7 * 5);
    EXPECT_EQ(frame.At(92, 2), screen.At(92, 2));
    // The ink only counts in the highlighter.
    Image snapFrame(97, 71);
    BoardScene rectangle;
    rectangle.mode = BoardMode(3);
    ComposeFrame(snapFrame.View(), screenCopy.View(), ink.View(), rectangle, snapFrame.View().Bounds());
    EXPECT_EQ(snapFrame.pixels, screen.pixels);
}

TEST(BoardSnap, PicturesPerMode) {
    Image screen = Picture(64, 48);
    Image ink(64, 48);
    StampStroke(ink.View(), {10, 10}, {50, 10}, StrokeColour(0));
    // The highlighter: the whole board with its strokes; the board is one pixel narrower than the picture.
    const SnapImage whole = SnapPixels(screen.View(), ink.View(), BoardMode(1), {0, 0, 63, 48}, nullptr);
    ASSERT_EQ(whole.width, 63);
    ASSERT_EQ(whole.height, 48);
    EXPECT_EQ(whole.pixels[10 * 63 + 30], BlendOver(Premultiply(StrokeColour(0)), screen.At(30, 10)));
    EXPECT_EQ(whole.pixels[40 * 63 + 30], screen.At(30, 40));
    // The rectangle: exactly the picture there, opaque, without the ink.
    const SnapImage rect = SnapPixels(screen.View(), ink.View(), BoardMode(3), {5, 6, 25, 16}, nullptr);
    ASSERT_EQ(rect.width, 20);
    ASSERT_EQ(rect.height, 10);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x) ASSERT_EQ(rect.pixels[std::size_t(y) * 20 + x], screen.At(5 + x, 6 + y));
    // One pixel.
    const SnapImage one = SnapPixels(screen.View(), ink.View(), BoardMode(3), {7, 8, 8, 9}, nullptr);
    ASSERT_EQ(one.pixels.size(), 1u);
    EXPECT_EQ(one.pixels[0], screen.At(7, 8));
    // The free form: its box, transparent outside the outline (the corners of a diamond), the picture inside.
    const std::vector<BoardPoint> diamond = {{30, 4}, {50, 24}, {30, 44}, {10, 24}};
    const RowSpans inside = PolygonSpans(OutlinePolygon(diamond), 0, 48);
    const BoardRect box = OutlineBounds(diamond);
    const SnapImage free = SnapPixels(screen.View(), ink.View(), BoardMode(2), box, &inside);
    ASSERT_EQ(free.width, 41);
    ASSERT_EQ(free.height, 41);
    EXPECT_EQ(free.pixels[0], 0u);
    EXPECT_EQ(free.pixels[40], 0u);
    EXPECT_EQ(free.pixels[40 * 41], 0u);
    EXPECT_EQ(free.pixels[40 * 41 + 40], 0u);
    EXPECT_EQ(free.pixels[20 * 41 + 20], screen.At(30, 24));
    // Past the picture's edge the snap is cut to the picture; nothing at all gives nothing.
    EXPECT_EQ(SnapPixels(screen.View(), ink.View(), BoardMode(3), {60, 40, 80, 60}, nullptr).width, 4);
    EXPECT_TRUE(SnapPixels(screen.View(), ink.View(), BoardMode(3), {}, nullptr).pixels.empty());
}

uint32_t Read32(const std::vector<uint8_t>& b, std::size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

TEST(BoardSnap, ClipboardBlockLayout) {
    SnapImage image;
    image.width = 3;
    image.height = 2;
    image.pixels = {0xFF010203, 0xFF040506, 0xFF070809,   // top row
                    0x00000000, 0xFFA0B0C0, 0x80102030};  // bottom row
    const std::vector<uint8_t> block = BuildDibBlock(image);
    ASSERT_EQ(block.size(), 52u + 4 * 3 * 2);
    EXPECT_EQ(Read32(block, 0), 40u);  // biSize
    EXPECT_EQ(Read32(block, 4), 3u);   // biWidth
    EXPECT_EQ(Read32(block, 8), 2u);   // biHeight, positive
    EXPECT_EQ(block[12] | block[13] << 8, 1);   // biPlanes
    EXPECT_EQ(block[14] | block[15] << 8, 32);  // biBitCount
    for (std::size_t at = 16; at < 40; at += 4) EXPECT_EQ(Read32(block, at), 0u) << at;  // BI_RGB and the rest
    // Bottom-up: the picture's bottom row first, each pixel blue, green, red, alpha.
    EXPECT_EQ(Read32(block, 40), 0x00000000u);
    EXPECT_EQ(block[44], 0xC0);
    EXPECT_EQ(block[45], 0xB0);
    EXPECT_EQ(block[46], 0xA0);
    EXPECT_EQ(block[47], 0xFF);
    EXPECT_EQ(Read32(block, 48), 0x80102030u);
    EXPECT_EQ(Read32(block, 52), 0xFF010203u);
    EXPECT_EQ(Read32(block, 60), 0xFF070809u);
    for (std::size_t at = block.size() - 12; at < block.size(); ++at) EXPECT_EQ(block[at], 0) << at;
    // The rectangle snap of the end-to-end test: 201 x 101.
    SnapImage big;
    big.width = 201;
    big.height = 101;
    big.pixels.assign(201 * 101, 0xFF000000);
    EXPECT_EQ(BuildDibBlock(big).size(), 52u + 4u * 201 * 101);
    // Nothing to copy, or pixels that do not match the size: no block.
    EXPECT_TRUE(BuildDibBlock(SnapImage{}).empty());
    big.pixels.pop_back();
    EXPECT_TRUE(BuildDibBlock(big).empty());
}

}  // namespace
