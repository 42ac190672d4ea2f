#pragma once
// The switcher's two paint layers. The static layer (the resting pictures with their shortened titles and
// icons, for the windows without a live thumbnail) is drawn once per overview into the dimmed background;
// the dynamic layer (the highlight frame, and the enlarged picture with its full title and icon) is drawn
// at every paint over a copy of the background, and only where the paint is asked for. With a live
// thumbnail the desktop window manager draws the window itself; only the frame around it is painted here.
//
// Threads: UI thread only. Pictures are drawn under CaptureCacheLock, which a paint waits for only briefly
// (a window whose picture cannot be had at once shows the placeholder for that paint).
#include "overlays/Gdiplus_win.h"
#include "switcher/ExposeState.h"

#include <vector>

// Into `dc`, whose (0, 0) is the client point (0, 0): the background itself.
void PaintStaticLayer(HDC dc, const ExposeState& state, Gdiplus::Font* titleFont);

// Into `dc` (client coordinates too), everything that meets `area`, and only inside it.
void PaintDynamicLayer(HDC dc, const RECT& area, const ExposeState& state, Gdiplus::Font* titleFont);

// The parts of the window waiting to be painted (before BeginPaint takes them): the update region's
// rectangles, or its bounding box when they are many. Empty when there is nothing to paint.
std::vector<RECT> UpdateRectangles(HWND hwnd);
