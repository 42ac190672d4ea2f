#pragma once
// The board's pixels: the frozen picture, the highlighter's ink and the frame the window shows, all 32-bit
// premultiplied ARGB held top-down (row 0 is the board's top row). Everything the board draws is drawn here,
// without anti-aliasing, into just the rectangle a pointer move changed, so that a move costs in proportion
// to what it changed and never a whole frame. Portable: the Windows half owns the memory (DIB sections) and
// copies finished rectangles to the window.
//
// Pixel geometry: pixel (x, y) covers [x, x + 1) x [y, y + 1) and is inside a shape when its centre is.
#include "overlays/BoardGeometry.h"
#include "overlays/BoardMode.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct BoardPixels {
    uint32_t* bits = nullptr;  // width * height values, rows packed, top row first
    int width = 0;
    int height = 0;

    explicit operator bool() const { return bits != nullptr && width > 0 && height > 0; }
    BoardRect Bounds() const { return {0, 0, width, height}; }
    uint32_t* Row(int y) const { return bits + std::size_t(y) * std::size_t(width); }
};

// ARGB to premultiplied ARGB.
uint32_t Premultiply(uint32_t argb);
// Premultiplied `source` over premultiplied `dest` (the system's AlphaBlend with per-pixel alpha).
uint32_t BlendOver(uint32_t source, uint32_t dest);

// Sets the alpha byte of every pixel to 0xFF (a screen capture leaves it undefined).
void ForceOpaque(const BoardPixels& image);

// ---------------------------------------------------------------------------------------------- the ink

// Paints the highlighter's stroke from `from` to `to` into `ink`: every pixel within half the pen width of
// the segment (round caps; a dot when the two are equal) becomes `colour` (ARGB) exactly, whatever it was,
// so that strokes replace each other and the eraser's transparent colour clears them. Returns the pixels
// touched (clipped to the image), empty when none.
// `width` is the pen's width at the board's scale.
BoardRect StampStroke(const BoardPixels& ink, BoardPoint from, BoardPoint to, uint32_t colour,
                      int width = kStrokeWidth);

// ---------------------------------------------------------------------------------------------- a frame

// What the frame shows besides the frozen picture and the ink.
struct BoardScene {
    BoardMode mode = BoardMode::Off;
    bool penCursor = false;     // highlighter: the pen cursor at penAt
    BoardPoint penAt;
    int colourIndex = 0;
    bool dragging = false;      // the snaps: the outline of the selection being dragged
    BoardRect selBounds;        // rectangle: the rectangle (outlined while dragging, kept clear afterwards)
    const std::vector<BoardPoint>* outline = nullptr;  // free-form while dragging: the points so far
    bool darkenAroundRect = false;           // rectangle after a selection: darken all but selBounds
    const RowSpans* darkenAround = nullptr;  // free-form after a selection: darken all but these pixels
    BoardMetrics metrics;                    // the pen cursor and the outline at the board's scale
};

// Renders `clip` of the frame: the frozen picture, the ink over it (the highlighter), then the pen cursor, the
// selection outline or the darkening. Pixels outside `clip` stay as they are.
void ComposeFrame(const BoardPixels& frame, const BoardPixels& screen, const BoardPixels& ink,
                  const BoardScene& scene, const BoardRect& clip);

// The pieces of a frame, for the tests and for ComposeFrame.
// `metrics`: the figures at the board's scale (the 100 % ones by default).
void DrawPenCursor(const BoardPixels& frame, BoardPoint at, int colourIndex, const BoardRect& clip,
                   const BoardMetrics& metrics = {});
void DrawRectOutline(const BoardPixels& frame, const BoardRect& selection, const BoardRect& clip,
                     const BoardMetrics& metrics = {});
void DrawPolylineOutline(const BoardPixels& frame, const std::vector<BoardPoint>& points, const BoardRect& clip,
                         const BoardMetrics& metrics = {});
void DarkenExceptRect(const BoardPixels& frame, const BoardRect& keep, const BoardRect& clip);
void DarkenExceptSpans(const BoardPixels& frame, const RowSpans& keep, const BoardRect& clip);

// ---------------------------------------------------------------------------------------------- a snap

struct SnapImage {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;  // top-down
};

// The picture a snap saves: `rect` of the frozen picture (clipped to it), with the ink blended over it in
// the highlighter, and in the free-form snap every pixel outside `inside` fully transparent (0). Empty when
// nothing is left.
SnapImage SnapPixels(const BoardPixels& screen, const BoardPixels& ink, BoardMode mode, const BoardRect& rect,
                     const RowSpans* inside);

// The clipboard's CF_DIB block for a snap: a 40-byte BITMAPINFOHEADER (the size, positive height, 1 plane,
// 32 bits, BI_RGB, the rest 0), the pixels bottom-up as stored (blue, green, red, alpha), then 12 zero
// bytes: 52 + 4 x width x height bytes. Empty when the size is not positive or would not fit in memory.
constexpr std::size_t kDibHeaderBytes = 40;
constexpr std::size_t kDibTrailerBytes = 12;
std::vector<uint8_t> BuildDibBlock(const SnapImage& image);
