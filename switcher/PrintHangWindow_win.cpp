#include "switcher/PrintHangWindow_win.h"

#if defined(ORVEL_TEST_HOOKS)
#include "toolkit/Trace_win.h"

#include <windows.h>

namespace {

constexpr wchar_t kClass[] = L"OrvelPrintHang";
volatile LONG PrintsEntered = 0;

LRESULT CALLBACK PrintHangProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PRINT) {
        ORVEL_TRACE("print-hang entered %ld", InterlockedIncrement(&PrintsEntered));
        // Never back. What is sent to the window meanwhile is still answered (WM_NULL, WM_GETICON, and another
        // WM_PRINT, which would be counted); looking every 100 ms keeps the system from calling it hung.
        for (;;) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_SENDMESSAGE);
            MSG msg;
            PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
    }
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        HBRUSH brush = CreateSolidBrush(RGB(40, 160, 160));
        FillRect(dc, &ps.rcPaint, brush);
        DeleteObject(brush);
        EndPaint(hwnd, &ps);
        return 0;
    }
    if (message == WM_CLOSE) return 0;  // it goes with the process
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

DWORD WINAPI PrintHangThread(void*) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = PrintHangProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kClass;
    RegisterClassW(&wc);
    HWND hwnd = CreateWindowExW(0, kClass, L"Switcher print hang", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 880, 60, 300,
                                200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ORVEL_TRACE("print-hang window=%llu", (unsigned long long)(UINT_PTR)hwnd);
    MSG msg;
    while (hwnd && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

}  // namespace

void StartPrintHangWindowIfAsked() {
    if (!TestSwitchMs(L"ORVEL_TEST_SWITCHER_PRINT_HANG")) return;
    // Left to run: it ends with the process.
    if (HANDLE thread = CreateThread(nullptr, 0, PrintHangThread, nullptr, 0, nullptr)) CloseHandle(thread);
}
#endif
