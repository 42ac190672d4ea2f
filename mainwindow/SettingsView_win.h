#pragma once
// The settings window's picture: rebuilt completely on every WM_PAINT into one 32-bit surface and handed to
// the system with per-pixel alpha. Today it is the background picture with its title; the photograph of the
// mouse, the slot markers and the buttons are drawn over it by the settings view.
// Main thread only.
#include "overlays/Image_win.h"
#include "overlays/LayeredWindow_win.h"

// The whole WM_PAINT of the settings window. A minimised window shows the program's icon instead.
// `timings` (may be null) receives what the paint cost, for the benchmark.
void PaintSettingsView(HWND hwnd, HICON appIcon, const PngImage& backgroundImage, HBITMAP backgroundBitmap,
                       LayeredPaintTimings* timings = nullptr);
