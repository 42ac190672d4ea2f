#include "overlays/LayeredWindow_win.h"

#include "toolkit/Scopes_win.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

bool MakeWindowLayered(HWND hwnd, DWORD extraExStyle) {
    if (!hwnd || !IsWindow(hwnd)) return false;
    const LONG exStyle = GetWindowLongW(hwnd, GWL_EXSTYLE);
    if (exStyle & WS_EX_LAYERED) return false;
    // SetWindowLongW answers the previous style, which may be 0: only the error code tells a failure.
    SetLastError(ERROR_SUCCESS);
    SetWindowLongW(hwnd, GWL_EXSTYLE, LONG(DWORD(exStyle) | WS_EX_LAYERED | extraExStyle));
    return GetLastError() == ERROR_SUCCESS;
}

bool OverlayCommonMessage(UINT message, LRESULT& result) {
    switch (message) {
    case WM_ERASEBKGND:
        result = 1;
        return true;
    default:
        return false;
    }
}

std::unique_ptr<Gdiplus::Font> CreatePixelFont(const wchar_t* family, float pixels, INT style) {
    Gdiplus::FontFamily named(family);
    const Gdiplus::FontFamily* chosen = &named;
    if (named.GetLastStatus() != Gdiplus::Ok || !named.IsAvailable()) {
        chosen = Gdiplus::FontFamily::GenericSansSerif();
        if (!chosen || !chosen->IsAvailable()) return nullptr;
    }
    // The font keeps its own copy of the family, so `named` may go when this returns.
    std::unique_ptr<Gdiplus::Font> font(new Gdiplus::Font(chosen, pixels, style, Gdiplus::UnitPixel));
    if (!font || font->GetLastStatus() != Gdiplus::Ok) return nullptr;
    return font;
}

// ------------------------------------------------------------------------------------------------ surface

namespace {

// Far above any window of the program (a full screen of a large monitor is about 2^23 pixels); keeps the
// byte count of a surface from overflowing on the 32-bit build.
constexpr uint64_t kMaxSurfacePixels = uint64_t(1) << 26;

}  // namespace

LayeredSurface::LayeredSurface(int width, int height) {
    if (!dib_.Create(width, height, DibSurface::Rows::BottomUp, kMaxSurfacePixels)) return;
    // A fresh section is zero already; clearing costs little and does not rely on it.
    std::memset(dib_.Bits(), 0, std::size_t(width) * std::size_t(height) * 4);
}


bool PresentLayered(HWND hwnd, HDC source, BYTE constantAlpha, bool perPixelAlpha) {
    RECT window{};
    if (!GetWindowRect(hwnd, &window)) return false;
    POINT topLeft{window.left, window.top};
    SIZE size{window.right - window.left, window.bottom - window.top};
    POINT sourceOrigin{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, constantAlpha, BYTE(perPixelAlpha ? AC_SRC_ALPHA : 0)};
    return UpdateLayeredWindow(hwnd, nullptr, &topLeft, &size, source, &sourceOrigin, 0, &blend, ULW_ALPHA) != FALSE;
}

bool PresentLayeredDirty(HWND hwnd, HDC source, const RECT& dirty) {
    RECT window{};
    if (!GetWindowRect(hwnd, &window)) return false;
    POINT topLeft{window.left, window.top};
    SIZE size{window.right - window.left, window.bottom - window.top};
    POINT sourceOrigin{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    UPDATELAYEREDWINDOWINFO info{};
    info.cbSize = sizeof info;
    info.pptDst = &topLeft;
    info.psize = &size;
    info.hdcSrc = source;
    info.pptSrc = &sourceOrigin;
    info.pblend = &blend;
    info.dwFlags = ULW_ALPHA;
    info.prcDirty = &dirty;
    return UpdateLayeredWindowIndirect(hwnd, &info) != FALSE;
}

// ------------------------------------------------------------------------------------------------- paint

namespace {

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to, const LARGE_INTEGER& frequency) {
    if (frequency.QuadPart <= 0) return 0;
    return double(to.QuadPart - from.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

}  // namespace

void PaintLayered(HWND hwnd, const LayeredPaintOptions& options, const LayeredDraw& draw,
                  LayeredPaintTimings* timings) {
    if (timings) *timings = LayeredPaintTimings{};
    PaintScope paint(hwnd);

    RECT client{};
    GetClientRect(hwnd, &client);
    int width = client.right - client.left;
    int height = client.bottom - client.top;
    if (options.size == SurfaceSize::ClientPlusOne) {
        ++width;
        ++height;
    } else if (options.size == SurfaceSize::Fixed) {
        width = options.fixedWidth;
        height = options.fixedHeight;
    }
    if (width <= 0 || height <= 0) return;

    // UpdateLayeredWindow reads a window-sized block from the surface; a window larger than its client
    // area would make it read past a client-sized surface. The part beyond what the overlay draws stays
    // transparent.
    RECT window{};
    GetWindowRect(hwnd, &window);
    const int surfaceWidth = std::max(width, int(window.right - window.left));
    const int surfaceHeight = std::max(height, int(window.bottom - window.top));
    LayeredSurface surface(surfaceWidth, surfaceHeight);
    if (!surface) return;

    LARGE_INTEGER frequency{}, start{}, rendered{}, presented{};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    if (options.gdiDraw) {
        options.gdiDraw(surface.Dc(), width, height);
        // GDI+ may write the section's pixels directly: batched GDI calls must have landed first.
        GdiFlush();
    }
    {
        Gdiplus::Graphics graphics(surface.Dc());
        if (graphics.GetLastStatus() == Gdiplus::Ok) {
            if (options.antiAlias) graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
            if (draw) draw(graphics, width, height);
            // Everything reaches the surface before it is handed over.
            graphics.Flush(Gdiplus::FlushIntentionSync);
        }
    }
    QueryPerformanceCounter(&rendered);
    const bool shown = PresentLayered(hwnd, surface.Dc(), options.constantAlpha, options.perPixelAlpha);
    QueryPerformanceCounter(&presented);

    if (options.copyToPaintDc && paint.Dc()) {
        const RECT& invalid = paint.Invalid();
        BitBlt(paint.Dc(), invalid.left, invalid.top, invalid.right - invalid.left + 1,
               invalid.bottom - invalid.top + 1, surface.Dc(), invalid.left, invalid.top, SRCCOPY);
    }

    if (timings) {
        timings->renderMs = Milliseconds(start, rendered, frequency);
        timings->presentMs = Milliseconds(rendered, presented, frequency);
        timings->presented = shown;
    }
}
