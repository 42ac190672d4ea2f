#pragma once
// The layered repaint every overlay and the settings window use: the whole window is rendered into a fresh
// 32-bit premultiplied off-screen surface on every WM_PAINT and handed to the system in one
// UpdateLayeredWindow call. Also the pieces around it: making a window layered, the fonts the overlays
// draw with, and the answers all these windows give to the messages they share.
//
// Threads: main thread only; worker threads invalidate, and the paint then runs here.
#include "overlays/Gdiplus_win.h"
#include "toolkit/DibSurface_win.h"
#include "toolkit/Handle_win.h"

#include <functional>
#include <memory>

// Adds WS_EX_LAYERED and `extraExStyle` (WS_EX_TRANSPARENT for the tooltip, WS_EX_TRANSPARENT |
// WS_EX_TOOLWINDOW for the gesture indicator) when the window is not layered yet. A window that already
// has WS_EX_LAYERED keeps its extended style untouched. True when the style was written.
bool MakeWindowLayered(HWND hwnd, DWORD extraExStyle);

// The answer shared by every overlay (and the settings window and the switcher) for messages that need
// no handling of their own. True when `message` has a fixed answer, stored in `result`: WM_ERASEBKGND
// returns non-zero without erasing, because the paint covers the whole window. False means default
// processing (WM_DESTROY among them).
bool OverlayCommonMessage(UINT message, LRESULT& result);

// A GDI+ font of `family` whose size is in pixels; the generic sans-serif family stands in when the named
// one is not installed. Null when neither can be had: GDI+ then refuses to draw or measure with it, so a
// paint without fonts draws everything but its text.
std::unique_ptr<Gdiplus::Font> CreatePixelFont(const wchar_t* family, float pixels,
                                               INT style = Gdiplus::FontStyleRegular);

// A 32-bit BI_RGB surface (positive height, so rows are stored bottom-up) selected into a memory device
// context, all pixels 0 (fully transparent) when made. Move-only; empty when creation failed.
class LayeredSurface {
public:
    LayeredSurface() = default;
    LayeredSurface(int width, int height);

    explicit operator bool() const noexcept { return bool(dib_); }
    HDC Dc() const noexcept { return dib_.Dc(); }
    void* Bits() const noexcept { return dib_.Bits(); }  // bottom-up rows of Width() premultiplied ARGB values
    int Width() const noexcept { return dib_.Width(); }
    int Height() const noexcept { return dib_.Height(); }

private:
    DibSurface dib_;
};

// Hands `source` (its top-left at (0, 0)) to the layered window at the window's current screen position and
// size: blend AC_SRC_OVER with `constantAlpha`, per-pixel alpha (AC_SRC_ALPHA) unless `perPixelAlpha` is
// false, flag ULW_ALPHA. False when the system refuses (a window that is not layered, for one).
bool PresentLayered(HWND hwnd, HDC source, BYTE constantAlpha = 255, bool perPixelAlpha = true);

// The same with only `dirty` (window coordinates) changed since the last present: the system may then update
// just that part of the screen (Windows' compositor does; Wine uploads the whole surface anyway).
bool PresentLayeredDirty(HWND hwnd, HDC source, const RECT& dirty);

// How big the surface of a paint is.
enum class SurfaceSize {
    Client,         // the client size
    ClientPlusOne,  // the client size plus one pixel each way (picker, tooltip, gesture indicator)
    Fixed,          // fixedWidth x fixedHeight (the settings window: its background image; the magnifier)
};

struct LayeredPaintOptions {
    SurfaceSize size = SurfaceSize::Client;
    int fixedWidth = 0;
    int fixedHeight = 0;
    bool antiAlias = false;   // SmoothingModeAntiAlias; the board draws without it
    BYTE constantAlpha = 255;  // lowered only by overlays that fade
    bool perPixelAlpha = true;  // false: the magnifier presents opaque
    bool copyToPaintDc = true;  // copy the invalid rectangle into the paint DC; the gesture indicator does not
    // Optional: draws with GDI on the surface before the GDI+ Graphics exists (copying a captured screen or
    // a prepared bitmap in, as the board and the settings window do).
    std::function<void(HDC surface, int width, int height)> gdiDraw;
};

// What one paint cost, for the benchmarks: render = the drawing callbacks plus creating and flushing the
// Graphics; present = UpdateLayeredWindow. Both in milliseconds from QueryPerformanceCounter.
struct LayeredPaintTimings {
    double renderMs = 0;
    double presentMs = 0;
    bool presented = false;  // UpdateLayeredWindow succeeded
};

using LayeredDraw = std::function<void(Gdiplus::Graphics& graphics, int width, int height)>;

// The WM_PAINT of a layered window: begin painting, make the surface, draw (gdiDraw, then `draw` on a
// Graphics of the surface), present, copy the invalid rectangle (one pixel larger each way) into the paint
// DC, release everything and end painting. `width` and `height` given to the callbacks are the surface size
// the options ask for. The window is always validated, even when the surface cannot be made or is empty.
// A layered window is given no update region when it is shown, so it is painted only once it has been
// invalidated: an overlay invalidates itself after showing (and whenever its content changes).
void PaintLayered(HWND hwnd, const LayeredPaintOptions& options, const LayeredDraw& draw,
                  LayeredPaintTimings* timings = nullptr);
