#include "mainwindow/SettingsView_win.h"

#include "toolkit/Scopes_win.h"

namespace {
// The usual painting of a minimised dialog: the icon centred over the icon-erase background.
void PaintMinimised(HWND hwnd, HICON icon) {
    PaintScope paint(hwnd);
    SendMessageW(hwnd, WM_ICONERASEBKGND, WPARAM(paint.Dc()), 0);
    RECT client;
    GetClientRect(hwnd, &client);
    int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(paint.Dc(), x, y, icon);
}
}  // namespace

void PaintSettingsView(HWND hwnd, HICON appIcon, const PngImage& backgroundImage, HBITMAP backgroundBitmap,
                       LayeredPaintTimings* timings) {
    if (IsIconic(hwnd)) {
        PaintMinimised(hwnd, appIcon);
        return;
    }
    LayeredPaintOptions options;
    options.size = SurfaceSize::Fixed;
    options.fixedWidth = backgroundImage ? int(backgroundImage->GetWidth()) : 0;
    options.fixedHeight = backgroundImage ? int(backgroundImage->GetHeight()) : 0;
    options.antiAlias = true;
    options.gdiDraw = [backgroundBitmap](HDC surface, int width, int height) {
        if (!backgroundBitmap) return;
        // The background was converted once at start-up; each paint only copies it.
        UniqueMemoryDc source(CreateCompatibleDC(surface));
        SelectScope selected(source.Get(), backgroundBitmap);
        if (selected) BitBlt(surface, 0, 0, width, height, source.Get(), 0, 0, SRCCOPY);
    };
    PaintLayered(hwnd, options, [](Gdiplus::Graphics&, int, int) {}, timings);
}
