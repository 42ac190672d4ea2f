// orvel_switcher_windows: the window switcher tests' application windows, run inside the same Wine prefix as
// the program. It opens five titled windows of its own - two plain ones, one minimised, a dialog owned by the
// first plain one and a tool window - and with --stuck a sixth on a thread that stops answering messages
// shortly after it is shown; with --many N, N more plain windows in a cascade below them. Then it watches:
// every change of the foreground window and of the minimised window's state is printed at once, one JSON
// object per line.
//
//   orvel_switcher_windows [--stuck] [--many N] [--ms MS]
//
// First line: {"ready":1,"plain1":H,"plain2":H,"minimised":H,"dialog":H,"tool":H,"stuck":H,"many":N,
// "zorder":[H,...]} (window handles as numbers; "zorder" lists the probe's own visible top-level windows,
// topmost first).
// Then {"foreground":H} and {"iconic":0|1} as they change.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kClass[] = L"OrvelSwitcherProbe";

struct Colour {
    HWND hwnd;
    COLORREF colour;
};
std::vector<Colour> Colours;

LRESULT CALLBACK ProbeProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        COLORREF colour = RGB(230, 230, 230);
        for (const Colour& c : Colours)
            if (c.hwnd == hwnd) colour = c.colour;
        HBRUSH brush = CreateSolidBrush(colour);
        RECT client;
        GetClientRect(hwnd, &client);
        FillRect(dc, &client, brush);
        DeleteObject(brush);
        EndPaint(hwnd, &ps);
        return 0;
    }
    if (message == WM_CLOSE) return 0;  // the probe's windows go when the probe ends
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// Each window gets a colour and an icon of its own (set on the window: under Wine another process cannot
// read a window's class icon, only ask the window).
HWND Make(const wchar_t* title, DWORD style, DWORD exStyle, int x, int y, int w, int h, HWND owner, COLORREF colour,
          const wchar_t* icon) {
    HWND hwnd = CreateWindowExW(exStyle, kClass, title, style, x, y, w, h, owner, nullptr, GetModuleHandleW(nullptr),
                                nullptr);
    if (!hwnd) return nullptr;
    Colours.push_back({hwnd, colour});
    HICON picture = LoadIconW(nullptr, icon);
    SendMessageW(hwnd, WM_SETICON, ICON_BIG, LPARAM(picture));
    SendMessageW(hwnd, WM_SETICON, ICON_SMALL, LPARAM(picture));
    return hwnd;
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

HANDLE StuckShown = nullptr;
HWND StuckWindow = nullptr;

// The window that stops answering: shown and painted, then its thread sleeps for good.
DWORD WINAPI StuckThread(void*) {
    StuckWindow = Make(L"Switcher stuck", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 880, 420, 300, 200, nullptr,
                       RGB(200, 120, 40), IDI_ERROR);
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 300) {
        Pump();
        Sleep(10);
    }
    SetEvent(StuckShown);
    Sleep(INFINITE);
    return 0;
}

struct ZOrder {
    DWORD pid;
    std::vector<HWND> windows;
};

BOOL CALLBACK OwnWindows(HWND hwnd, LPARAM param) {
    auto* z = reinterpret_cast<ZOrder*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == z->pid && IsWindowVisible(hwnd)) z->windows.push_back(hwnd);
    return TRUE;
}

unsigned long long N(HWND hwnd) { return (unsigned long long)(UINT_PTR)hwnd; }

}  // namespace

int wmain(int argc, wchar_t** argv) {
    bool stuck = false;
    int many = 0;
    DWORD ms = 60000;
    for (int i = 1; i < argc; ++i) {
        std::wstring a = argv[i];
        if (a == L"--stuck") {
            stuck = true;
        } else if (a == L"--many" && i + 1 < argc) {
            many = _wtoi(argv[++i]);
        } else if (a == L"--ms" && i + 1 < argc) {
            ms = DWORD(_wtoi(argv[++i]));
        } else {
            std::fprintf(stderr, "usage: orvel_switcher_windows [--stuck] [--many N] [--ms MS]\n");
            return 2;
        }
    }
    // Room for every window up front: the stuck window's thread reads the table while it paints.
    Colours.reserve(size_t(many) + 16);
    WNDCLASSW wc{};
    wc.lpfnWndProc = ProbeProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kClass;
    RegisterClassW(&wc);

    const DWORD plain = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
    HWND stuckWindow = nullptr;
    if (stuck) {
        StuckShown = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        CloseHandle(CreateThread(nullptr, 0, StuckThread, nullptr, 0, nullptr));
        WaitForSingleObject(StuckShown, 5000);
        stuckWindow = StuckWindow;
    }
    // Small windows in a cascade over the whole screen, below the others.
    for (int i = 0; i < many; ++i) {
        wchar_t title[64];
        std::swprintf(title, 64, L"Switcher many %d", i + 1);
        Make(title, plain, 0, (i * 37) % 1000, (i * 23) % 560, 260, 200, nullptr,
             RGB((i * 53) % 256, (i * 97) % 256, (i * 31) % 256), IDI_APPLICATION);
    }
    HWND minimised = Make(L"Switcher minimised", plain, 0, 500, 420, 300, 200, nullptr, RGB(60, 160, 60), IDI_WARNING);
    ShowWindow(minimised, SW_MINIMIZE);
    HWND tool = Make(L"Switcher tool", WS_POPUP | WS_CAPTION | WS_VISIBLE, WS_EX_TOOLWINDOW, 60, 460, 240, 160, nullptr,
                     RGB(160, 60, 160), IDI_ASTERISK);
    HWND plain2 = Make(L"Switcher plain two", plain, 0, 460, 60, 360, 240, nullptr, RGB(40, 90, 200), IDI_QUESTION);
    HWND plain1 = Make(L"Switcher plain one", plain, 0, 60, 60, 360, 240, nullptr, RGB(200, 40, 40), IDI_APPLICATION);
    HWND dialog = Make(L"Switcher dialog", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, WS_EX_DLGMODALFRAME,
                       120, 330, 300, 120, plain1, RGB(240, 220, 80), IDI_INFORMATION);
    SetForegroundWindow(plain1);
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 200) {
        Pump();
        Sleep(10);
    }

    ZOrder z{GetCurrentProcessId(), {}};
    EnumWindows(OwnWindows, reinterpret_cast<LPARAM>(&z));
    std::string order;
    for (HWND w : z.windows) order += (order.empty() ? "" : ",") + std::to_string(N(w));
    std::printf("{\"ready\":1,\"plain1\":%llu,\"plain2\":%llu,\"minimised\":%llu,\"dialog\":%llu,\"tool\":%llu,"
                "\"stuck\":%llu,\"many\":%d,\"zorder\":[%s]}\n",
                N(plain1), N(plain2), N(minimised), N(dialog), N(tool), N(stuckWindow), many, order.c_str());
    std::fflush(stdout);

    HWND lastForeground = reinterpret_cast<HWND>(~UINT_PTR(0));
    int lastIconic = -1;
    while (GetTickCount() - start < ms) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        Pump();
        HWND foreground = GetForegroundWindow();
        if (foreground != lastForeground) {
            lastForeground = foreground;
            std::printf("{\"foreground\":%llu}\n", N(foreground));
            std::fflush(stdout);
        }
        const int iconic = IsIconic(minimised) ? 1 : 0;
        if (iconic != lastIconic) {
            lastIconic = iconic;
            std::printf("{\"iconic\":%d}\n", iconic);
            std::fflush(stdout);
        }
    }
    // The stuck thread never ends by itself.
    ExitProcess(0);
}
