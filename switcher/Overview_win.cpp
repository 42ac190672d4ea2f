#include "switcher/Overview_win.h"

#include <dwmapi.h>

#include "switcher/Backdrop.h"
#include "switcher/CaptureCache_win.h"
#include "switcher/OverviewLayout.h"
#include "switcher/WindowList_win.h"
#include "switcher/WindowPicture_win.h"
#include "toolkit/Dialog_win.h"
#include "toolkit/Dpi_win.h"
#include "toolkit/Dwm_win.h"
#include "toolkit/Handle_win.h"
#include "toolkit/Scopes_win.h"
#include "toolkit/Trace_win.h"
#include "toolkit/UiThread_win.h"
#include "toolkit/WorkerThread_win.h"

#include <ctime>
#include <memory>
#include <random>
#include <set>
#include <utility>
#include <vector>

namespace {

// DWM_TNP_RECTDESTINATION | DWM_TNP_OPACITY | DWM_TNP_VISIBLE
constexpr DWORD kThumbnailFlags = 0x0D;

// The foreground is handed over from the thread that owns `window`: the overview thread's input is
// attached to that thread for the few calls in `steps`, and `window`'s process may take the foreground.
template <class Steps>
void HandOverForeground(HWND window, Steps steps) {
    DWORD process = 0;
    const DWORD thread = window ? GetWindowThreadProcessId(window, &process) : 0;
    const DWORD self = GetCurrentThreadId();
    const bool attached = thread != 0 && thread != self && AttachThreadInput(self, thread, TRUE);
    if (process) AllowSetForegroundWindow(process);
    steps();
    if (attached) AttachThreadInput(self, thread, FALSE);
}

// The desktop of `monitor`, darkened: the desktop window's own picture of it where the system can paint
// one (so no window is on it), else the screen as it is.
UniqueBitmap DimmedPicture(const ExposeState& expose, const RECT& monitor, HWND progman, DimKind kind,
                           std::minstd_rand& random, DWORD uiThread) {
    const int w = int(monitor.right - monitor.left), h = int(monitor.bottom - monitor.top);
    UniqueBitmap picture;
    void* bits = nullptr;
    // The desktop paints itself on its own thread: a desktop that does not answer, or does not finish its
    // paint in time, is not waited for.
    if (expose.osMajorVersion > 5 && progman && WindowAnswers(progman)) {
        // The desktop window spans every monitor: its part of this monitor goes to (0, 0).
        POINT origin{0, 0};
        ClientToScreen(progman, &origin);
        PictureRequest request;
        request.width = w;
        request.height = h;
        request.flags = PW_CLIENTONLY;
        request.origin = {origin.x - monitor.left, origin.y - monitor.top};
        WindowPicture desktop = PictureOfWindow(progman, request, uiThread);
        if (desktop.picture) {
            picture = std::move(desktop.picture);
            bits = desktop.bits;
        }
    }
    if (!picture) {
        picture.Reset(CreatePictureBitmap(w, h, &bits));
        UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
        if (!picture || !dc) return {};
        SelectScope select(dc.Get(), picture.Get());
        if (!select) return {};
        if (ScreenDc screen; screen) {
            BitBlt(dc.Get(), 0, 0, w, h, screen.Get(), monitor.left, monitor.top, SRCCOPY);
        }
        GdiFlush();
    }
    const unsigned first = unsigned(random()) % 3, second = unsigned(random()) % 3;
    DimPixels(static_cast<std::uint32_t*>(bits), w, w, h, DimGradients(kind, first, second, w, h));
    return picture;
}

// Runs `work` on the UI thread and waits until it has run; false when the program stops first (the work
// may then never run).
// The switcher's window as the overview's host, found by its handle on the UI thread, or null once it is gone.
OverviewHost* HostOf(HWND switcher) { return dynamic_cast<OverviewHost*>(Dialog::From<Dialog>(switcher)); }

template <class Work>
bool OnUiThreadAndWait(HANDLE answered, Work work) {
    ResetEvent(answered);
    if (!UiThread::Post(std::move(work))) return false;
    return WaitForEventOrStop(answered) == Wake::Event;
}

bool OfUiThread(HWND window, DWORD uiThread) { return GetWindowThreadProcessId(window, nullptr) == uiThread; }

// Lays every listed window out: a live thumbnail where one can be registered, else its captured picture
// (taken now when its size changed) with its icon.
void LayOut(const OverviewStart& start, bool composition) {
    ExposeState& expose = *start.state;
    const int count = expose.windowCount;
    StartLayout(expose, expose.monitorWidth, expose.monitorHeight);
    std::vector<int> captured;
    for (int i = 0; i < count; ++i) {
        HWND window = AsHwnd(expose.windows[i]);
        HANDLE thumbnail = nullptr;
        const DwmEntryPoints& dwm = DwmFunctions();
        if (composition && SUCCEEDED(dwm.DwmRegisterThumbnail(start.switcher, window, &thumbnail)) && thumbnail) {
            SIZE source{};
            if (FAILED(dwm.DwmQueryThumbnailSourceSize(thumbnail, &source))) source = {};
            const SwitcherRect r = PlaceLiveThumbnail(expose, i, {int(source.cx), int(source.cy)});
            DWM_THUMBNAIL_PROPERTIES properties{};
            properties.dwFlags = kThumbnailFlags;
            properties.rcDestination = {r.left, r.top, r.right, r.bottom};
            properties.opacity = 255;
            properties.fVisible = TRUE;
            dwm.DwmUpdateThumbnailProperties(thumbnail, &properties);
            expose.thumbnails[i] = reinterpret_cast<WindowId>(thumbnail);
            continue;
        }
        // No live thumbnail (composition off, or the system would not give one): its picture instead.
        captured.push_back(i);
    }

    // Only windows whose picture must be taken (new, or resized) are asked for one; a window that does not
    // answer at once is not waited for, nor asked for its icon.
    std::vector<WindowId> toCapture;
    for (int i : captured) toCapture.push_back(expose.windows[i]);
    std::set<WindowId> notAnswering;
    [[maybe_unused]] const CaptureStore::PassCounts counts =
        RefreshCaptureCache(toCapture.data(), int(toCapture.size()), start.uiThread, &notAnswering);
    ORVEL_TRACE("switcher-captures asked=%d kept=%d released=%d", counts.captured, counts.kept, counts.released);

    CaptureCacheGuard guard(INFINITE, true);
    for (int i : captured) {
        HWND window = AsHwnd(expose.windows[i]);
        RECT rect{};
        GetWindowRect(window, &rect);
        const CaptureRecord* record = guard.Held() ? CaptureCache().Find(expose.windows[i]) : nullptr;
        const ThumbSize size = CapturedSourceSize({int(rect.right - rect.left), int(rect.bottom - rect.top)},
                                                  IsIconic(window) != FALSE, record);
        PlaceCapturedThumbnail(expose, i, size);
        expose.hung[i] = notAnswering.count(expose.windows[i]) != 0 || IsHungAppWindow(window);
        // The program's own windows are asked on the UI thread, when the overview is ready.
        if (!expose.hung[i] && !OfUiThread(window, start.uiThread)) {
            bool answered = true;
            expose.icons[i] = reinterpret_cast<WindowId>(WindowIcon(window, &answered));
            expose.hung[i] = !answered;
        }
    }
}

void TraceLayout([[maybe_unused]] const ExposeState& expose) {
#if defined(ORVEL_TEST_HOOKS)
    CaptureCacheGuard guard(INFINITE, true);
    const int count = expose.windowCount;
    for (int i = 0; i < count; ++i) {
        const SwitcherRect& r = expose.homeRects[i];
        const CaptureRecord* record = guard.Held() ? CaptureCache().Find(expose.windows[i]) : nullptr;
        ORVEL_TRACE("switcher-window %d hwnd=%llu rect=%d,%d,%d,%d live=%d picture=%d hung=%d icon=%d title=%s", i,
                    (unsigned long long)expose.windows[i], r.left, r.top, r.right, r.bottom,
                    expose.thumbnails[i] != 0, record && record->picture ? 1 : 0, expose.hung[i] ? 1 : 0,
                    expose.icons[i] != 0, TraceUtf8(WindowTitle(AsHwnd(expose.windows[i]), 200)).c_str());
    }
#endif
}

void UnregisterThumbnails(ExposeState& expose) {
    for (int i = 0; i < kMaxListedWindows; ++i) {
        if (expose.thumbnails[i] == 0) continue;
        const DwmEntryPoints& dwm = DwmFunctions();
        if (dwm.DwmUnregisterThumbnail) dwm.DwmUnregisterThumbnail(reinterpret_cast<HANDLE>(expose.thumbnails[i]));
        expose.thumbnails[i] = 0;
    }
}

}  // namespace

HANDLE OverviewShownEvent() {
    static const HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    return event;
}

HANDLE OverviewHiddenEvent() {
    static const HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    return event;
}

HANDLE OverviewDoneEvent() {
    static const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return event;
}

bool CompositionOn() {
    const DwmEntryPoints& dwm = DwmFunctions();
    if (!dwm.DwmIsCompositionEnabled || !dwm.DwmRegisterThumbnail || !dwm.DwmUnregisterThumbnail ||
        !dwm.DwmQueryThumbnailSourceSize || !dwm.DwmUpdateThumbnailProperties) {
        return false;  // a library without all of them cannot show a live thumbnail
    }
    BOOL enabled = FALSE;
    return SUCCEEDED(dwm.DwmIsCompositionEnabled(&enabled)) && enabled;
}

void RunOverviewThread(const OverviewStart& start) {
    ExposeState& expose = *start.state;
    std::minstd_rand random(unsigned(std::time(nullptr)) ^ unsigned(GetTickCount()));
    const bool composition = CompositionOn();
    expose.compositionEnabled = composition ? 1 : 0;
    const HWND previous = GetForegroundWindow();

    POINT cursor{};
    GetCursorPos(&cursor);
    const WindowId monitor = MonitorAt(cursor);
    const RECT bounds = AsRect(MonitorRect(monitor));
    const HWND progman = FindWindowW(L"Progman", nullptr);
    CollectOtherMonitors(DisplayMonitors(), monitor, expose);

    expose.selected = -1;
    expose.highlighted = -1;
    expose.ready = 0;
    expose.switcherWindow = IdOf(start.switcher);
    SystemWindowTree tree;
    CollectWindows(tree, expose);
    expose.monitorLeft = bounds.left;
    expose.monitorTop = bounds.top;
    expose.monitorWidth = bounds.right - bounds.left;
    expose.monitorHeight = bounds.bottom - bounds.top;
    // Everything drawn on the overview is at the scale of the monitor it covers (the layout reads it, and the
    // UI thread makes the title fonts for it before the switcher shows).
    expose.dpi = DpiForMonitor(reinterpret_cast<HMONITOR>(monitor));
#if defined(ORVEL_TEST_HOOKS)
    // The benchmark's overview at another scale than Wine's one DPI (a number, read as the switches are).
    if (const unsigned forced = TestSwitchMs(L"ORVEL_TEST_OVERVIEW_DPI")) expose.dpi = int(forced);
#endif
    expose.done = 0;
    ResetEvent(OverviewDoneEvent());
    ORVEL_TRACE("switcher-start composition=%d monitor=%ld,%ld,%ld,%ld windows=%d others=%d foreground=%llu dpi=%d",
                composition ? 1 : 0, bounds.left, bounds.top, bounds.right, bounds.bottom, int(expose.windowCount),
                expose.otherMonitorCount, (unsigned long long)IdOf(previous), int(expose.dpi));

    // The pictures, while nothing of the overview is on the screen yet.
    auto background = std::make_shared<UniqueBitmap>(
        DimmedPicture(expose, bounds, progman, DimKind::Switcher, random, start.uiThread));
    auto panels = std::make_shared<std::vector<PanelPicture>>();
    for (int i = 0; i < expose.otherMonitorCount; ++i) {
        const RECT rect = AsRect(MonitorRect(expose.otherMonitors[i]));
        panels->push_back({rect, DimmedPicture(expose, rect, progman, DimKind::Panel, random, start.uiThread)});
    }
    ORVEL_TRACE("switcher-pictures");
    const HWND switcher = start.switcher;
    const bool shown = OnUiThreadAndWait(OverviewShownEvent(), [background, panels, bounds, switcher] {
        if (OverviewHost* window = HostOf(switcher)) {
            window->ShowOverview(std::move(*background), bounds, std::move(*panels));
        }
        SetEvent(OverviewShownEvent());
    });
    if (!shown) return;

    if (expose.done) {
        // The displays changed before the switcher could be shown (the switcher's ShowOverview): it ends as if
        // cancelled, and the next request is taken.
        expose.busy = 0;
    } else {
        // The panels and then the switcher take the foreground, so that they cover even the taskbar.
        HandOverForeground(GetDesktopWindow(), [&] {
            for (int i = 0; i < expose.otherMonitorCount; ++i) SetForegroundWindow(start.panels[size_t(i)]);
        });
        HandOverForeground(GetForegroundWindow(), [&] { SetForegroundWindow(start.switcher); });

#if defined(ORVEL_TEST_HOOKS)
        // A slow layout on purpose, so that the tests can press keys before it is ready.
        if (unsigned ms = TestSwitchMs(L"ORVEL_TEST_SWITCHER_LAYOUT_MS")) {
            if (!PauseUnlessStopped(ms)) return;
        }
#endif
        // A user who has left already (Escape, or a click, while the switcher was coming up) waits for no
        // pictures.
        if (!expose.done) {
            LayOut(start, composition);
            TraceLayout(expose);
        }
        if (expose.done) {
            // Escape or a click before the layout was ready: the UI thread has hidden the switcher already.
            expose.busy = 0;
        } else {
            UiThread::Post([switcher] {
                if (OverviewHost* window = HostOf(switcher)) window->OverviewReady();
            });
        }
    }

    if (WaitForEventOrStop(OverviewDoneEvent()) != Wake::Event) {
        UnregisterThumbnails(expose);
        return;
    }
    expose.ready = 0;  // late input changes nothing
    const bool hidden = OnUiThreadAndWait(OverviewHiddenEvent(), [switcher] {
        if (OverviewHost* window = HostOf(switcher)) window->HideOverview();
        SetEvent(OverviewHiddenEvent());
    });
    UnregisterThumbnails(expose);
    if (!hidden) return;

    const int selected = expose.selected;
    const HWND target = selected >= 0 && selected < expose.windowCount ? AsHwnd(expose.windows[selected]) : previous;
    ORVEL_TRACE("switcher-done selected=%d target=%llu", selected, (unsigned long long)IdOf(target));
    if (target && IsWindow(target)) {
        // Nothing here waits for the target: it may be the window that stopped answering.
        HandOverForeground(target, [target] {
            SetForegroundWindow(target);
            if (IsIconic(target)) ShowWindowAsync(target, SW_RESTORE);
            SetWindowPos(target, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_ASYNCWINDOWPOS);
        });
    }
    ClipCursor(nullptr);
    ORVEL_TRACE("switcher-end");
}

void CaptureAtStartUp(HWND switcher, DWORD uiThread) {
    // A list of its own: an overview may start meanwhile and fill the shared one.
    auto state = std::make_unique<ExposeState>();
    state->switcherWindow = IdOf(switcher);
    SystemWindowTree tree;
    CollectWindows(tree, *state);
    // The UI thread's own windows are left out: the settings window hands over the frame it last presented
    // whenever an overview asks, and at start-up the UI thread is still bringing the program up.
    std::vector<WindowId> others;
    for (int i = 0; i < state->windowCount; ++i) {
        if (GetWindowThreadProcessId(AsHwnd(state->windows[i]), nullptr) != uiThread) others.push_back(state->windows[i]);
    }
    [[maybe_unused]] const CaptureStore::PassCounts counts =
        RefreshCaptureCache(others.data(), int(others.size()), uiThread);
    ORVEL_TRACE("switcher-startup-captures windows=%d asked=%d", int(others.size()), counts.captured);
}
