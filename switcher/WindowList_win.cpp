#include "switcher/WindowList_win.h"

#include "toolkit/Scopes_win.h"

namespace {

BOOL CALLBACK VisitOne(HWND hwnd, LPARAM param) {
    (*reinterpret_cast<const std::function<void(WindowId)>*>(param))(IdOf(hwnd));
    return TRUE;  // never stops early
}

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM param) {
    reinterpret_cast<std::vector<WindowId>*>(param)->push_back(reinterpret_cast<WindowId>(monitor));
    return TRUE;
}

#if defined(ORVEL_TEST_HOOKS)
struct MadeUpMonitors {
    SRWLOCK lock = SRWLOCK_INIT;
    std::vector<SwitcherRect> rects;
};

MadeUpMonitors& MadeUp() {
    static MadeUpMonitors* const madeUp = new MadeUpMonitors;
    return *madeUp;
}

std::vector<SwitcherRect> MadeUpRects() {
    SrwShared lock(MadeUp().lock);
    return MadeUp().rects;
}

// A made-up monitor's handle; the system's handles are never this large.
constexpr WindowId kMadeUpMonitor = WindowId(0xFFFF0000u);

bool IsMadeUp(WindowId monitor, size_t count) { return monitor >= kMadeUpMonitor && monitor < kMadeUpMonitor + count; }
#endif

}  // namespace

#if defined(ORVEL_TEST_HOOKS)
void UseMadeUpMonitors(const std::vector<SwitcherRect>& monitors) {
    SrwExclusive lock(MadeUp().lock);
    MadeUp().rects = monitors;
}
#endif

void SystemWindowTree::VisitTopLevel(const std::function<void(WindowId)>& visit) {
    EnumWindows(VisitOne, reinterpret_cast<LPARAM>(&visit));
}

std::uint32_t SystemWindowTree::ExStyle(WindowId window) {
    return std::uint32_t(GetWindowLongPtrW(AsHwnd(window), GWL_EXSTYLE));
}

bool SystemWindowTree::Visible(WindowId window) { return IsWindowVisible(AsHwnd(window)) != FALSE; }

WindowId SystemWindowTree::Desktop() { return IdOf(GetDesktopWindow()); }

std::wstring SystemWindowTree::ClassName(WindowId window) {
    wchar_t name[kWindowTextChars + 1];
    const int n = GetClassNameW(AsHwnd(window), name, kWindowTextChars + 1);
    return std::wstring(name, size_t(n > 0 ? n : 0));
}

std::wstring SystemWindowTree::Title(WindowId window) { return WindowTitle(AsHwnd(window), kWindowTextChars); }

void SystemWindowTree::Hide(WindowId window) { ShowWindowAsync(AsHwnd(window), SW_HIDE); }

WindowId SystemWindowTree::FindTopLevel(const wchar_t* className) {
    return IdOf(FindWindowExW(nullptr, nullptr, className, nullptr));
}

WindowId SystemWindowTree::Owner(WindowId window) { return IdOf(GetWindow(AsHwnd(window), GW_OWNER)); }

bool SystemWindowTree::Iconic(WindowId window) { return IsIconic(AsHwnd(window)) != FALSE; }

int SystemWindowTree::Width(WindowId window) {
    RECT rect{};
    if (!GetWindowRect(AsHwnd(window), &rect)) return 0;
    return int(rect.right - rect.left);
}

std::vector<WindowId> DisplayMonitors() {
    std::vector<WindowId> monitors;
#if defined(ORVEL_TEST_HOOKS)
    const std::vector<SwitcherRect> madeUp = MadeUpRects();
    for (size_t i = 0; i < madeUp.size(); ++i) monitors.push_back(kMadeUpMonitor + i);
    if (!monitors.empty()) return monitors;
#endif
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
    return monitors;
}

WindowId MonitorAt(POINT point) {
#if defined(ORVEL_TEST_HOOKS)
    const std::vector<SwitcherRect> madeUp = MadeUpRects();
    if (!madeUp.empty()) {
        size_t nearest = 0;
        long long best = -1;
        for (size_t i = 0; i < madeUp.size(); ++i) {
            const SwitcherRect& r = madeUp[i];
            const long long dx = point.x < r.left ? r.left - point.x : point.x >= r.right ? point.x - r.right + 1 : 0;
            const long long dy = point.y < r.top ? r.top - point.y : point.y >= r.bottom ? point.y - r.bottom + 1 : 0;
            const long long distance = dx * dx + dy * dy;
            if (best < 0 || distance < best) {
                best = distance;
                nearest = i;
            }
        }
        return kMadeUpMonitor + nearest;
    }
#endif
    return reinterpret_cast<WindowId>(MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST));
}

SwitcherRect MonitorRect(WindowId monitor) {
#if defined(ORVEL_TEST_HOOKS)
    const std::vector<SwitcherRect> madeUp = MadeUpRects();
    if (IsMadeUp(monitor, madeUp.size())) return madeUp[monitor - kMadeUpMonitor];
#endif
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(reinterpret_cast<HMONITOR>(monitor), &info)) return {};
    return AsSwitcherRect(info.rcMonitor);
}

std::vector<SwitcherRect> MonitorRects() {
    std::vector<SwitcherRect> rects;
    for (WindowId monitor : DisplayMonitors()) {
        const SwitcherRect r = MonitorRect(monitor);
        if (!r.Empty()) rects.push_back(r);
    }
    return rects;
}

std::wstring WindowTitle(HWND window, int chars) {
    std::wstring text(size_t(chars) + 1, L'\0');
    // GetWindowTextW would send WM_GETTEXT to the program's own windows (and wait for the UI thread).
    const int n = InternalGetWindowText(window, &text[0], chars + 1);
    text.resize(size_t(n > 0 ? n : 0));
    return text;
}

bool WindowAnswers(HWND window) {
    if (IsHungAppWindow(window)) return false;
    DWORD_PTR answer = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kAnswerLimitMs, &answer) != 0;
}

HICON WindowIcon(HWND window, bool* answered) {
    if (answered) *answered = true;
    if (HICON icon = reinterpret_cast<HICON>(GetClassLongPtrW(window, GCLP_HICON))) return icon;
    if (HICON icon = reinterpret_cast<HICON>(GetClassLongPtrW(window, GCLP_HICONSM))) return icon;
    for (WPARAM kind : {WPARAM(ICON_BIG), WPARAM(ICON_SMALL), WPARAM(ICON_SMALL2)}) {
        DWORD_PTR answer = 0;
        SetLastError(0);
        if (!SendMessageTimeoutW(window, WM_GETICON, kind, 0, SMTO_ABORTIFHUNG, kAnswerLimitMs, &answer)) {
            // One question that goes unanswered is enough: the next ones would wait as long again. (Under
            // Wine another process's window refuses the question at once; that is no sign of a hang.)
            const DWORD error = GetLastError();
            if (answered && (error == ERROR_TIMEOUT || IsHungAppWindow(window))) *answered = false;
            break;
        }
        if (answer) return reinterpret_cast<HICON>(answer);
    }
    return nullptr;
}
