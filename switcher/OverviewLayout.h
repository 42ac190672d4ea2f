#pragma once
// Where each listed window goes on the overview: a grid that fills row by row in Z-order, one thumbnail
// centred in each cell, fitted into a box that is a fraction of the cell (small windows are enlarged to the
// box as well as large ones reduced). Integer arithmetic throughout, multiplication first, quotients cut
// toward zero.
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
// kMinCapturedSide). Stores the rectangle in `homeRects` and `currentRects`.
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
