// What any program of this kind costs under the same Wine, to stand beside the program's own figures: it
// starts GDI+, draws one 670 x 500 anti-aliased picture with it and shows it in a per-pixel-alpha layered
// window, as the settings window does, then waits for messages. Nothing else: no hook, no raw input, no
// threads of its own.
//
//   orvel_baseline [--hide]     --hide hides the window after its first frame, as "/hide" does
//
// With ORVEL_TRACE set it writes "<ms since process start> first-frame" to that file, the line the program's
// test build writes, so that the benchmark reads both start-ups the same way.
#include <windows.h>
#include <gdiplus.h>

#include <cstdio>
#include <cwchar>

namespace {

constexpr int kWidth = 670;
constexpr int kHeight = 500;

double MsSinceProcessStart() {
    FILETIME created, exited, kernel, user, now;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER a{{created.dwLowDateTime, created.dwHighDateTime}};
    ULARGE_INTEGER b{{now.dwLowDateTime, now.dwHighDateTime}};
    return double(b.QuadPart - a.QuadPart) / 10000.0;
}

void TraceFirstFrame() {
    wchar_t path[MAX_PATH];
    if (!GetEnvironmentVariableW(L"ORVEL_TRACE", path, MAX_PATH)) return;
    FILE* file = _wfopen(path, L"a");
    if (!file) return;
    std::fprintf(file, "%.0f first-frame\n", MsSinceProcessStart());
    std::fclose(file);
}

// One frame: a rounded, shaded plate with a line of text, drawn by GDI+ into a top-down 32-bit DIB and
// presented with UpdateLayeredWindow.
void Present(HWND hwnd) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), kWidth, -kHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, dib);
    {
        Gdiplus::Graphics graphics(memory);
        graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
        graphics.Clear(Gdiplus::Color(0, 0, 0, 0));
        Gdiplus::LinearGradientBrush plate(Gdiplus::Point(0, 0), Gdiplus::Point(0, kHeight),
                                           Gdiplus::Color(240, 60, 64, 72), Gdiplus::Color(240, 24, 26, 30));
        Gdiplus::GraphicsPath path;
        const int r = 40;
        path.AddArc(0, 0, 2 * r, 2 * r, 180, 90);
        path.AddArc(kWidth - 2 * r - 1, 0, 2 * r, 2 * r, 270, 90);
        path.AddArc(kWidth - 2 * r - 1, kHeight - 2 * r - 1, 2 * r, 2 * r, 0, 90);
        path.AddArc(0, kHeight - 2 * r - 1, 2 * r, 2 * r, 90, 90);
        path.CloseFigure();
        graphics.FillPath(&plate, &path);
        Gdiplus::Font font(L"Tahoma", 14);
        Gdiplus::SolidBrush white(Gdiplus::Color(255, 255, 255, 255));
        graphics.DrawString(L"Baseline", -1, &font, Gdiplus::PointF(40, 40), &white);
    }
    POINT origin{0, 0};
    SIZE size{kWidth, kHeight};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    UpdateLayeredWindow(hwnd, screen, nullptr, &size, memory, &origin, 0, &blend, ULW_ALPHA);
    SelectObject(memory, old);
    DeleteObject(dib);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    const bool hide = commandLine && std::wcsstr(commandLine, L"--hide");
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.lpszClassName = L"OrvelBaseline";
    RegisterClassExW(&wc);
    const int x = (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2;
    HWND hwnd = CreateWindowExW(WS_EX_LAYERED, wc.lpszClassName, L"Orvel baseline", WS_POPUP, x, y, kWidth,
                                kHeight, nullptr, nullptr, instance, nullptr);
    Present(hwnd);
    ShowWindow(hwnd, SW_SHOW);
    TraceFirstFrame();
    if (hide) ShowWindow(hwnd, SW_HIDE);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    Gdiplus::GdiplusShutdown(token);
    return 0;
}
