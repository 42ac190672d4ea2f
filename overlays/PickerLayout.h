#pragma once
// The function picker's decisions, apart from the window calls that carry them out: which entries a list
// shows, how tall it is and where it goes, where a sub-list opens, which row is under the pointer, what the
// wheel and the scroll animation do, what a paint draws and in which order, and when showing a list raises
// the cursor's display count. Portable: ZuItemList_win.cpp asks these and makes the calls.
//
// Geometry is in pixels; rectangles are right and bottom exclusive, as the system's RECT.
#include "shell/Catalogue.h"
#include "shell/DisplayScale.h"

#include <cstdint>
#include <functional>
#include <vector>

// The list's measures at one scale (the ZuItemList fields rowHeight, separatorHeight and listWidth, and the
// rest of its pixel figures). Default-constructed they are the 96-DPI figures; ForScale gives them for the
// monitor a list is shown on. Every decision below takes its pixels from here, so a list at 150 % is the
// same list with every figure half as large again.
struct PickerMetrics {
    int rowHeight = 36;       // a function or group row
    int separatorHeight = 8;  // a separator row
    int listWidth = 300;      // the window's width
    int margin = 4;           // above the first row and below the last; the rows' left edge
    int subListOverlap = 11;  // a sub-list lies this far over its creator
    int iconColumn = 36;      // the lighter column the icons stand in
    int textLeft = 40;        // where names and separator lines begin
    int nameFontPixels = 18;  // "Arial", the rows' names
    int noItemFontPixels = 20;  // "Tahoma", "No item"
    DisplayScale scale;       // for the smaller figures of the painting (insets, the arrow, the pictures)

    static PickerMetrics ForScale(const DisplayScale& scale);
    // A 96-DPI figure of the list at this scale.
    int Px(int v) const { return scale.Px(v); }
};

struct PickerRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const PickerRect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};

struct PickerPoint {
    int x = 0;
    int y = 0;
    bool operator==(const PickerPoint& o) const { return x == o.x && y == o.y; }
};

// ------------------------------------------------------------------------------------------ the rows

// The members of group `groupId` (0: the top level) of `catalogue`, in catalogue order, each with `index`
// set to its position in `catalogue`, so that a pick is reported as a function number.
std::vector<_ZuItemListDB> PickerShownEntries(const std::vector<_ZuItemListDB>& catalogue, int groupId);

// The height of row k: separators are thinner than the rest. 0 for a k that is not a row, so that no
// computation can reach past the rows through a stale index.
int PickerRowHeight(const std::vector<_ZuItemListDB>& rows, int k, const PickerMetrics& m);

// The window height that shows every row: the two margins and the rows. With `catalogueEmpty` (nothing to
// list at all) it is one row high, room for "No item".
int PickerListHeight(const std::vector<_ZuItemListDB>& rows, const PickerMetrics& m, bool catalogueEmpty = false);

// ------------------------------------------------------------------------------------------ placement

struct PickerPlacement {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// Where a list of `listHeight` pixels opened at screen point (x, y) goes within `workArea` (the work area of
// the monitor nearest the cursor). A list that would reach below the work area moves up so that its bottom
// is the work area's bottom; one taller than the work area is first cut to whole rows. One that would cross
// the right edge moves left until its right edge is one pixel past it. The top and left edges are left
// alone: a caller's point left of the work area stays where it is.
PickerPlacement PlacePickerList(int x, int y, int listHeight, const PickerRect& workArea, const PickerMetrics& m);

struct SubListPlacement {
    int x = 0;
    int y = 0;
    bool opensLeft = false;  // the sub-list's own side for the lists it opens in turn
};

// Where the sub-list for row `row` of a list goes. `creator` is the list's screen rectangle, `monitor` the
// full rectangle of the monitor nearest the cursor, `groupId` and `opensLeft` the creator's. A sub-list lies
// 11 pixels (at 96 DPI) over its creator's right edge (or left edge, once lists open to the left); it opens to the left
// when it would cross the monitor's right edge, and lists opened from it keep that side until one would
// cross the monitor's left edge. Its first row lines up with row `row`, counted from `topIndex`.
SubListPlacement PlaceSubList(const PickerRect& creator, const PickerRect& monitor, int groupId, bool opensLeft,
                              const std::vector<_ZuItemListDB>& rows, int topIndex, int row,
                              const PickerMetrics& m);

// ------------------------------------------------------------------------------------------ pointer

// The row under client point `at` of a client area `clientWidth` x `clientHeight` whose first drawn row is
// `topIndex`, or -1. A row's rectangle runs from x 4 to clientWidth - 8 and is cut at the bottom margin;
// left and top edges are inside, right and bottom edges outside. The search ends at the first row below
// the visible area. The sliding offset is not counted.
int PickerRowAt(const std::vector<_ZuItemListDB>& rows, int topIndex, int clientWidth, int clientHeight,
                PickerPoint at, const PickerMetrics& m);

// The function number a left-button release on row `hoverIndex` chooses: the row's `index` when it is a
// function row, else -1 (groups, separators, no row).
int PickerChosenFunction(const std::vector<_ZuItemListDB>& rows, int hoverIndex);

// The targetTopIndex after one wheel message: one row further towards the user (negative delta) only while
// the rows from the target on do not fit above the bottom margin, one row back (zero or positive delta) only
// above 0. Whatever the delta's size, one message moves one row.
int PickerWheelTarget(const std::vector<_ZuItemListDB>& rows, int targetTopIndex, int clientHeight, int wheelDelta,
                      const PickerMetrics& m);

// ------------------------------------------------------------------------------------------ scrolling

struct PickerScroll {
    int topIndex = 0;        // the first row drawn at the top
    int targetTopIndex = 0;  // where the user scrolled to
    int scrollOffset = 0;    // the slide: positive draws the rows lower, negative higher
    bool AtRest() const { return topIndex == targetTopIndex && scrollOffset == 0; }
};

// One 10 ms step of the scroll animation. topIndex moves one row towards the target per step; when it gets
// there the rows start one row away (the offset) and slide home by 4 pixels a step, the last by 2 (at 96
// DPI, where row heights are even, so the offset lands on 0; at other scales the steps grow with the rows
// and the last one stops at 0). True when anything changed (the list must be repainted).
bool PickerScrollTick(PickerScroll& scroll, const std::vector<_ZuItemListDB>& rows, const PickerMetrics& m);

// ------------------------------------------------------------------------------------------ painting

// One row a paint draws: its index and the Y its slot begins at (before the 4-pixel margin).
struct PickerPaintedRow {
    int row = 0;
    int y = 0;
    bool operator==(const PickerPaintedRow& o) const { return row == o.row && y == o.y; }
};

// The rows a paint of a surface `surfaceHeight` high draws for topIndex and scrollOffset: from the row above
// the top row (so that it slides in), down to the first row whose slot begins below surfaceHeight - 4.
std::vector<PickerPaintedRow> PickerPaintedRows(const std::vector<_ZuItemListDB>& rows, int topIndex,
                                                int scrollOffset, int surfaceHeight, const PickerMetrics& m);

enum class PickerPaintOpKind {
    FillRoundRegion,      // rect, ellipse, color
    ClipRoundRegion,      // rect, ellipse
    FillTexture,          // rect, imageId (tiled from the image's top-left, one pixel less each way)
    FillRect,             // rect, color
    Line,                 // a to b, color, lineWidth pixels wide (1 at 96 DPI)
    GradientRoundRegion,  // rect, ellipse, from a in color to b in color2
    Image,                // imageId drawn into rect (its own size at 96 DPI, scaled with the list)
    Triangle,             // a, b, c filled with color
    Text,                 // row's name (row -1: "No item") in rect, font
};

enum class PickerFont { RowName, NoItem };  // "Arial" 18 px; "Tahoma" 20 px (at 96 DPI)

struct PickerPaintOp {
    PickerPaintOpKind kind = PickerPaintOpKind::FillRect;
    PickerRect rect;
    int ellipse = 0;  // width and height of the rounded corners' ellipse
    int lineWidth = 1;
    uint32_t color = 0;
    uint32_t color2 = 0;
    PickerPoint a, b, c;
    int imageId = 0;
    int row = -1;
    PickerFont font = PickerFont::RowName;
};

constexpr uint32_t kPickerTextColor = 0xFAFFFFFFu;
constexpr int kPickerTextureId = 148;

struct PickerPaintInput {
    const std::vector<_ZuItemListDB>* rows = nullptr;  // shownEntries
    bool catalogueEmpty = false;  // allEntries is empty: "No item" instead of rows
    int topIndex = 0;
    int scrollOffset = 0;
    int hoverIndex = -1;
    int groupIconId = 0;
    int width = 0;   // the surface: client size plus one each way
    int height = 0;
    PickerMetrics metrics;
};

// The height of picture `id` at 96 DPI (the 1x picture's), or 0 when it cannot be had (it is then not
// drawn). The row pictures are square; a paint draws them that size times the list's scale.
using PickerImageHeight = std::function<int(int imageId)>;

// Everything one paint draws, in order: the frame (the shadow's four rims, the clip to the inside, the
// texture and the darker text column), then the content: "No item", or the rows (separator lines; the
// highlight, the icon, the group arrow, the name). PickerFramePlan and PickerContentPlan are its two parts:
// the frame depends on the size alone, so a list may keep it drawn and apply only its clip again.
std::vector<PickerPaintOp> PickerPaintPlan(const PickerPaintInput& input, const PickerImageHeight& imageHeight);
std::vector<PickerPaintOp> PickerFramePlan(int width, int height, const PickerMetrics& m = PickerMetrics());
std::vector<PickerPaintOp> PickerContentPlan(const PickerPaintInput& input, const PickerImageHeight& imageHeight);

// ------------------------------------------------------------------------------------------ the cursor

// ShowCursor: given show (true) or hide (false), answers the new display count.
using ShowCursorCall = std::function<int(bool show)>;

// Showing a list makes the cursor visible: the count is raised once, and kept raised (cursorShown 1) only
// when the cursor was hidden; a list already holding a raise keeps it, so that showing it again cannot
// lose the count its hiding must restore.
void PickerRaiseCursor(int& cursorShown, const ShowCursorCall& showCursor);
// Hiding gives the raise back.
void PickerLowerCursor(int& cursorShown, const ShowCursorCall& showCursor);
