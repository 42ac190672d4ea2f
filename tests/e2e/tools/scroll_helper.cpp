// orvel_scroll_helper: application windows for the tilt-scrolling tests, run inside the same Wine prefix as
// the program. Each is shown top-most at X Y W H for MS milliseconds, takes the foreground, and prints one
// JSON line for every scroll-related message any of its windows receives, as it arrives.
//
//   orvel_scroll_helper bar X Y W H MS       a frame holding a vertical scroll bar, a focused edit and a
//                                            horizontal scroll bar, in this order
//   orvel_scroll_helper mozilla X Y W H MS   a window of class "MozillaWindowClass" with the focus itself
//
// First line: {"ready":1,"hwnd":N,...} with the handles of the windows. Then per message
// {"to":"main|edit|bar|vbar","msg":"hscroll|vscroll|wheel|hwheel|mbutton-move",...}. Last: {"done":1}.
// Exit codes: 0 ran its time, 2 bad arguments, 3 a window could not be made.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct Named {
    HWND hwnd;
    const char* name;
    WNDPROC original;  // null for the frame, whose procedure is ours
};
Named Windows[4];
int WindowCount = 0;

const Named* Find(HWND hwnd) {
    for (int i = 0; i < WindowCount; ++i)
        if (Windows[i].hwnd == hwnd) return &Windows[i];
    return nullptr;
}

// Prints the message when it is one a tilt or the wheel can bring; true when it was.
bool Note(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const Named* w = Find(hwnd);
    const char* to = w ? w->name : "other";
    const unsigned long long l = (unsigned long long)(ULONG_PTR)lParam;
    const int x = short(LOWORD(lParam)), y = short(HIWORD(lParam));
    switch (message) {
        case WM_HSCROLL:
        case WM_VSCROLL:
            std::printf("{\"to\":\"%s\",\"msg\":\"%s\",\"code\":%u,\"lparam\":%llu}\n", to,
                        message == WM_HSCROLL ? "hscroll" : "vscroll", unsigned(LOWORD(wParam)), l);
            break;
        case WM_MOUSEWHEEL:
        case WM_MOUSEHWHEEL:
            std::printf("{\"to\":\"%s\",\"msg\":\"%s\",\"delta\":%d,\"keys\":%u,\"x\":%d,\"y\":%d}\n", to,
                        message == WM_MOUSEWHEEL ? "wheel" : "hwheel", int(GET_WHEEL_DELTA_WPARAM(wParam)),
                        unsigned(GET_KEYSTATE_WPARAM(wParam)), x, y);
            break;
        case WM_MOUSEMOVE:
            if (!(wParam & MK_MBUTTON)) return false;
            std::printf("{\"to\":\"%s\",\"msg\":\"mbutton-move\",\"x\":%d,\"y\":%d}\n", to, x, y);
            break;
        default:
            return false;
    }
    std::fflush(stdout);
    return true;
}

HWND Edit = nullptr;

LRESULT CALLBACK FrameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (Note(hwnd, message, wParam, lParam)) return 0;
    // Activation focuses the frame; the user's place is the edit.
    if (message == WM_SETFOCUS && Edit) {
        SetFocus(Edit);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// The controls keep their own handling; what reaches them is noted and not passed on, so that a message is
// printed once, by the window it was given to.
LRESULT CALLBACK ControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (Note(hwnd, message, wParam, lParam)) return 0;
    const Named* w = Find(hwnd);
    return w && w->original ? CallWindowProcW(w->original, hwnd, message, wParam, lParam)
                            : DefWindowProcW(hwnd, message, wParam, lParam);
}

void Keep(HWND hwnd, const char* name, bool subclass) {
    WNDPROC original = nullptr;
    if (subclass) original = WNDPROC(SetWindowLongPtrW(hwnd, GWLP_WNDPROC, LONG_PTR(ControlProc)));
    Windows[WindowCount++] = {hwnd, name, original};
}

int Usage() {
    std::fprintf(stderr, "usage: orvel_scroll_helper bar|mozilla X Y W H MS\n");
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 7) return Usage();
    const std::wstring mode = argv[1];
    if (mode != L"bar" && mode != L"mozilla") return Usage();
    int v[5];
    for (int i = 0; i < 5; ++i) v[i] = _wtoi(argv[2 + i]);
    const int width = v[2], height = v[3];

    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW wc{};
    wc.lpfnWndProc = FrameProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = HBRUSH(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = mode == L"bar" ? L"OrvelScrollHelper" : L"MozillaWindowClass";
    if (!RegisterClassW(&wc)) return 3;
    HWND frame = CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"scroll helper", WS_POPUP | WS_VISIBLE | WS_BORDER,
                                 v[0], v[1], width, height, nullptr, nullptr, instance, nullptr);
    if (!frame) return 3;
    Keep(frame, "main", false);

    HWND bar = nullptr, vbar = nullptr;
    if (mode == L"bar") {
        // The vertical bar comes first, so a search that took it would stop there.
        vbar = CreateWindowExW(0, L"ScrollBar", nullptr, WS_CHILD | WS_VISIBLE | SBS_VERT, width - 20, 0, 16,
                               height - 20, frame, nullptr, instance, nullptr);
        Edit = CreateWindowExW(WS_EX_CLIENTEDGE, L"Edit", L"focus here", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 10,
                               10, width - 40, 24, frame, nullptr, instance, nullptr);
        bar = CreateWindowExW(0, L"ScrollBar", nullptr, WS_CHILD | WS_VISIBLE | SBS_HORZ, 0, height - 20,
                              width - 20, 16, frame, nullptr, instance, nullptr);
        if (!vbar || !Edit || !bar) return 3;
        SetScrollRange(bar, SB_CTL, 0, 100, FALSE);
        Keep(vbar, "vbar", true);
        Keep(Edit, "edit", true);
        Keep(bar, "bar", true);
    }
    SetForegroundWindow(frame);
    SetFocus(Edit ? Edit : frame);
    std::printf("{\"ready\":1,\"hwnd\":%llu,\"edit\":%llu,\"bar\":%llu,\"vbar\":%llu}\n",
                (unsigned long long)(UINT_PTR)frame, (unsigned long long)(UINT_PTR)Edit,
                (unsigned long long)(UINT_PTR)bar, (unsigned long long)(UINT_PTR)vbar);
    std::fflush(stdout);

    const DWORD start = GetTickCount();
    for (DWORD now = start; now - start < DWORD(v[4]); now = GetTickCount()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, DWORD(v[4]) - (now - start), QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    std::printf("{\"done\":1}\n");
    std::fflush(stdout);
    DestroyWindow(frame);
    return 0;
}
