#include "toolkit/Dpi_win.h"

#include "toolkit/Dwm_win.h"

namespace {
struct DpiEntryPoints {
    UINT(WINAPI* GetDpiForWindow)(HWND) = nullptr;
    HRESULT(WINAPI* GetDpiForMonitor)(HMONITOR, int, UINT*, UINT*) = nullptr;  // int: MONITOR_DPI_TYPE
};

const DpiEntryPoints& Entries() {
    static const DpiEntryPoints entries = [] {
        DpiEntryPoints e;
        // user32 is always loaded; shcore is looked for in the system folder only.
        if (HMODULE user = GetModuleHandleW(L"user32.dll")) {
            e.GetDpiForWindow = reinterpret_cast<decltype(e.GetDpiForWindow)>(
                reinterpret_cast<void*>(GetProcAddress(user, "GetDpiForWindow")));
        }
        if (HMODULE shcore = LoadFromSystemFolder(L"shcore.dll")) {
            e.GetDpiForMonitor = reinterpret_cast<decltype(e.GetDpiForMonitor)>(
                reinterpret_cast<void*>(GetProcAddress(shcore, "GetDpiForMonitor")));
        }
        return e;
    }();
    return entries;
}

int Plausible(UINT dpi) { return dpi >= 48 && dpi <= 96 * 8 ? static_cast<int>(dpi) : 0; }
}  // namespace

int SystemDpi() {
    static const int dpi = [] {
        HDC screen = GetDC(nullptr);
        const int value = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
        if (screen) ReleaseDC(nullptr, screen);
        return Plausible(static_cast<UINT>(value)) ? value : 96;
    }();
    return dpi;
}

int DpiForMonitor(HMONITOR monitor) {
    const DpiEntryPoints& e = Entries();
    if (monitor && e.GetDpiForMonitor) {
        UINT x = 0, y = 0;
        if (SUCCEEDED(e.GetDpiForMonitor(monitor, 0 /* MDT_EFFECTIVE_DPI */, &x, &y)) && Plausible(x)) {
            return static_cast<int>(x);
        }
    }
    return SystemDpi();
}

int DpiForWindow(HWND window) {
    const DpiEntryPoints& e = Entries();
    if (window && e.GetDpiForWindow) {
        if (int dpi = Plausible(e.GetDpiForWindow(window))) return dpi;
    }
    if (window) return DpiForMonitor(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST));
    return SystemDpi();
}

int DpiForPoint(POINT point) { return DpiForMonitor(MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST)); }

void TakeSuggestedRect(HWND window, LPARAM suggested) {
    const RECT* r = reinterpret_cast<const RECT*>(suggested);
    if (!window || !r) return;
    SetWindowPos(window, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}
