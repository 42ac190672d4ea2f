#pragma once
// Every monitor of the desktop as it is now, in screen coordinates, for the overlays to check what they cover
// after a display change. UI thread (any thread may call it; it holds nothing).
#include "overlays/BoardGeometry.h"

#include <vector>

std::vector<BoardRect> MonitorRects();
