#pragma once
// The DPI a window, a monitor or a point of the desktop is drawn at. The program is per-monitor aware, so
// these are the monitor's own figures; Windows before 8.1 has no per-monitor DPI and gives the system's, and
// where even that cannot be read the answer is 96. The entry points are looked up at run time (user32's
// GetDpiForWindow is Windows 10, shcore's GetDpiForMonitor 8.1). Any thread.
#include <windows.h>

int DpiForWindow(HWND window);
int DpiForMonitor(HMONITOR monitor);
int DpiForPoint(POINT point);  // the monitor nearest the point
int SystemDpi();

// WM_DPICHANGED's suggested rectangle (its lParam, may be null) taken as the window's new place and size,
// neither activating it nor changing its Z-order.
void TakeSuggestedRect(HWND window, LPARAM suggested);

// WM_DPICHANGED where the SDK headers lack it.
#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif
