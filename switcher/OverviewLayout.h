#pragma once
// Where each listed window goes on the overview: a grid that fills row by row in Z-order, one thumbnail
// centred in each cell, fitted into a box that is a fraction of the cell (small windows are enlarged to the
// box as well as large ones reduced). Integer arithmetic throughout, multiplication first, quotients cut
// toward zero.
#include "shell/DisplayScale.h"
#include "switcher/CaptureCache.h"
#include "switcher/ExposeState.h"

#include <string>

struct GridShape {
    int columns = 1;
    int rows = 1;
};

struct ThumbSize {
    int width = 0;
    int height = 0;
    bool operator==(const ThumbSize& o) const { return width == o.width && height == o.height; }
};

// ------------------------------------------------------------------------------------------- the scale

// The overview's pixel figures at the scale of the monitor it covers (100 % figures by default). The grid
// itself follows the monitor's pixels; what is drawn on it (titles, the highlight's frame, the icon plates,
// the smallest picture) is as large on a 200 % monitor, to the eye, as on a 100 % one.
struct OverviewMetrics {
    DisplayScale scale;
    int titlePixelsMany = 14;  // the title font's height with 10 windows or more
    int titlePixels = 16;      // with fewer
    int titleInset = 4;        // the title's layout rectangle: 4 in from the thumbnail's sides and bottom
    int frameClipOut = 5;      // the frame's clip: 5 out at the left and top, one more at the right and bottom
    int frameEllipse = 4;      // its corners
    int framePenInset = 4;     // the frame's rectangle: 4 out at the left and top, 7 more than the size
    int framePenExtra = 7;
    int framePenWidth = 5;
    int frameReach = 6;        // how far the frame goes past the thumbnail (what a repaint must cover)
    int plateMargin = 3;       // the plate under an icon: 3 around it, corners of 6
    int plateEllipse = 6;
    int minCapturedSide = 48;  // the smallest side of a captured picture

    static OverviewMetrics For(DisplayScale scale);
};

// The scale an overview draws at: that of the monitor it covers (ExposeState::dpi).
DisplayScale OverviewScale(const ExposeState& state);

// Where a thumbnail's title goes: inside `thumbnail`, `titleInset` in from the left, right and bottom. At rest
// (the static layer) the rectangle starts at the thumbnail's left edge and its top inset by the same figure
// (the 100 % layer has always drawn it there: (x, y + 4, w - 8, h - 8)); enlarged it is inset on all sides.
SwitcherRect TitleLayout(const SwitcherRect& thumbnail, bool enlarged, const OverviewMetrics& m);

// The highlight's frame around `r`: the rounded clip and the rectangle its pen is drawn on (left, top, width,
// height as the drawing call takes them).
struct FrameShape {
    SwitcherRect clip;
    int ellipse = 0;
    int penLeft = 0, penTop = 0, penWidth = 0, penHeight = 0;
    int penThickness = 0;
};
FrameShape FrameAround(const SwitcherRect& r, const OverviewMetrics& m);

// The plate under an icon of `iconSide` pixels (the system's icon size at the overview's DPI) whose top-left
// corner is (left, top).
SwitcherRect IconPlate(int left, int top, int iconWidth, int iconHeight, const OverviewMetrics& m);

// Columns and rows for `count` windows: from 1 by 1, a column is added while the grid is square, else a row,
// until the grid holds them all (1 by 1 for none).
GridShape GridFor(int count);

// The largest thumbnail allowed in a cell: 2/3 of it for 10 windows or more, 3/5 for 5 to 9, 1/2 below 5.
ThumbSize ThumbnailBox(int count, int cellWidth, int cellHeight);

// A source of `source` fitted into `box`, keeping its proportions; a source of no height gets the whole box.
ThumbSize FitInBox(ThumbSize source, ThumbSize box);

// The cell of window `index` and a thumbnail of `size` centred in it.
SwitcherRect CellRect(int index, int columns, int cellWidth, int cellHeight);
SwitcherRect CentreInCell(int index, int columns, int cellWidth, int cellHeight, ThumbSize size);

// Sets `columns`, `cellWidth` and `cellHeight` for `windowCount` windows on a switcher of the given size, and
// puts every thumbnail at rest with no rectangle yet.
void StartLayout(ExposeState& state, int switcherWidth, int switcherHeight);

// Thumbnail `index` at home: a live thumbnail of a source of `source` (its reported size), or a captured
// picture of a window of outer size `windowSize` (counted one more each way, and each side at least
// kMinCapturedSide at the overview's scale). Stores the rectangle in `homeRects` and `currentRects`.
constexpr int kMinCapturedSide = 48;
SwitcherRect PlaceLiveThumbnail(ExposeState& state, int index, ThumbSize source);
SwitcherRect PlaceCapturedThumbnail(ExposeState& state, int index, ThumbSize windowSize);

// The size a captured thumbnail is laid out from: the window's present outer size, or for a minimised
// window whose picture is kept, the size the picture was taken at (a minimised window's own rectangle is a
// small bar).
ThumbSize CapturedSourceSize(ThumbSize windowSize, bool iconic, const CaptureRecord* record);

// The index highlighted first: the second window (the one the user most likely wants), the only one, or -1.
int FirstHighlight(int windowCount);

// A title as a resting thumbnail shows it: longer than kShortTitleChars, its first kShortTitleChars
// characters and "..." (a surrogate pair is never cut in two).
constexpr std::size_t kShortTitleChars = 24;
std::wstring ShortTitle(const std::wstring& title);
