// orvel_board_probe: what the presenter board's end-to-end tests need to see from inside Wine besides
// windows: the cursor confinement, the clipboard's CF_DIB block, the desktop folder, and an application
// window with a picture in it for the board to freeze. One JSON object per line on stdout.
//
//   orvel_board_probe clip                       the cursor's confinement and the screen's size
//   orvel_board_probe clip-honoured              whether ClipCursor holds the cursor for this architecture
//   orvel_board_probe clipboard-clear            empties the clipboard
//   orvel_board_probe clipboard-dib FILE         writes the clipboard's CF_DIB block to FILE, as it is
//   orvel_board_probe desktop                    the user's desktop folder (SHGetSpecialFolderPathW)
//   orvel_board_probe pattern-window X Y W H MS  a window showing a fixed colour pattern (see Pattern) for MS
//                                                ms; {"activated":1,"tick":T} each time it is activated
//
// Exit codes: 0 answered, 1 nothing to answer (no CF_DIB, no desktop), 2 bad arguments.
#include "tests/e2e/tools/ProbeJson.h"

#include <windows.h>

#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: orvel_board_probe clip | clip-honoured | clipboard-clear | clipboard-dib FILE | desktop |"
                 " pattern-window X Y W H MS\n");
    return 2;
}

int Clip() {
    RECT clip{};
    GetClipCursor(&clip);
    POINT cursor{};
    GetCursorPos(&cursor);
    std::printf("{\"clip\":[%ld,%ld,%ld,%ld],\"screen\":[%d,%d],\"cursor\":[%ld,%ld]}\n", clip.left, clip.top,
                clip.right, clip.bottom, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), cursor.x,
                cursor.y);
    return 0;
}

// Whether this Wine holds the cursor for a program of this probe's architecture (Wine 8 ignores ClipCursor
// from a 32-bit program; its new WoW64 mode does not): a window of the probe's own in front, a small
// rectangle asked for and read back, then the cursor given back.
int ClipHonoured() {
    HWND window = CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"orvel clip probe", WS_POPUP | WS_VISIBLE, 0, 0, 200,
                                  200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetForegroundWindow(window);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    const RECT asked{10, 10, 110, 110};
    const BOOL called = ClipCursor(&asked);
    RECT clip{};
    GetClipCursor(&clip);
    ClipCursor(nullptr);
    DestroyWindow(window);
    const bool held = EqualRect(&clip, &asked) != FALSE;
    std::printf("{\"called\":%s,\"honoured\":%s,\"clip\":[%ld,%ld,%ld,%ld]}\n", called ? "true" : "false",
                held ? "true" : "false", clip.left, clip.top, clip.right, clip.bottom);
    return 0;
}

bool OpenClipboardSoon() {
    for (int i = 0; i < 50; ++i) {
        if (OpenClipboard(nullptr)) return true;
        Sleep(20);
    }
    return false;
}

int ClipboardClear() {
    if (!OpenClipboardSoon()) return 1;
    const BOOL emptied = EmptyClipboard();
    CloseClipboard();
    std::printf("{\"cleared\":%d}\n", emptied != FALSE);
    return emptied ? 0 : 1;
}

int ClipboardDib(const wchar_t* file) {
    if (!OpenClipboardSoon()) return 1;
    HANDLE data = IsClipboardFormatAvailable(CF_DIB) ? GetClipboardData(CF_DIB) : nullptr;
    SIZE_T size = data ? GlobalSize(data) : 0;
    const void* bytes = data ? GlobalLock(data) : nullptr;
    bool written = false;
    if (bytes) {
        FILE* out = _wfopen(file, L"wb");
        if (out) {
            written = std::fwrite(bytes, 1, size, out) == size;
            std::fclose(out);
        }
        GlobalUnlock(data);
    }
    CloseClipboard();
    std::printf("{\"dib\":%d,\"bytes\":%llu,\"written\":%d}\n", data != nullptr, (unsigned long long)size, written);
    return data && written ? 0 : 1;
}

int Desktop() {
    wchar_t path[MAX_PATH] = L"";
    if (!SHGetSpecialFolderPathW(nullptr, path, CSIDL_DESKTOP, FALSE)) return 1;
    std::printf("{\"desktop\":%s}\n", Quote(Utf8(path)).c_str());
    return 0;
}

// Every pixel its own colour, so that a copy taken from the wrong place shows: red runs with x, green with
// y, blue with both (window client coordinates).
COLORREF Pattern(int x, int y) { return RGB((x * 5) & 0xFF, (y * 3) & 0xFF, ((x + y) * 7) & 0xFF); }

LRESULT CALLBACK PatternProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT client;
        GetClientRect(hwnd, &client);
        const int w = client.right, h = client.bottom;
        std::vector<uint32_t> pixels(size_t(w) * size_t(h));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const COLORREF c = Pattern(x, y);
                pixels[size_t(y) * w + x] = uint32_t(GetRValue(c)) << 16 | uint32_t(GetGValue(c)) << 8 | GetBValue(c);
            }
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        SetDIBitsToDevice(dc, 0, 0, DWORD(w), DWORD(h), 0, 0, 0, UINT(h), pixels.data(), &info, DIB_RGB_COLORS);
        EndPaint(hwnd, &ps);
        return 0;
    }
    if (message == WM_ERASEBKGND) return 1;
    if (message == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE) {
        // The tests read when the window below an overlay was handed the foreground.
        std::printf("{\"activated\":1,\"tick\":%lu}\n", GetTickCount());
        std::fflush(stdout);
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

int PatternWindow(int argc, wchar_t** argv) {
    if (argc != 7) return Usage();
    int v[4];
    for (int i = 0; i < 4; ++i) v[i] = _wtoi(argv[2 + i]);
    WNDCLASSW wc{};
    wc.lpfnWndProc = PatternProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = L"OrvelPatternHelper";
    RegisterClassW(&wc);
    HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"pattern", WS_POPUP | WS_VISIBLE, v[0], v[1], v[2], v[3],
                                nullptr, nullptr, wc.hInstance, nullptr);
    if (!hwnd) return 3;
    UpdateWindow(hwnd);
    std::printf("{\"ready\":1,\"hwnd\":%llu}\n", (unsigned long long)(UINT_PTR)hwnd);
    std::fflush(stdout);
    const DWORD ms = DWORD(_wtoi(argv[6]));
    const DWORD start = GetTickCount();
    for (DWORD now = start; now - start < ms; now = GetTickCount()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - (now - start), QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    DestroyWindow(hwnd);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return Usage();
    const std::wstring command = argv[1];
    if (command == L"clip" && argc == 2) return Clip();
    if (command == L"clip-honoured" && argc == 2) return ClipHonoured();
    if (command == L"clipboard-clear" && argc == 2) return ClipboardClear();
    if (command == L"clipboard-dib" && argc == 3) return ClipboardDib(argv[2]);
    if (command == L"desktop" && argc == 2) return Desktop();
    if (command == L"pattern-window") return PatternWindow(argc, argv);
    return Usage();
}
