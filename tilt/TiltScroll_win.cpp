#include "tilt/TiltScroll_win.h"

#include "shell/Names.h"
#include "shell/ProcessState.h"
#include "tilt/TiltRules.h"
#include "toolkit/Trace_win.h"

namespace {

// The two named events (see CreateTiltEvents). Made and closed on the UI thread while no other thread of the
// program uses them; pulsed from any thread in between.
HANDLE TiltEvent = nullptr;
HANDLE TiltNoticeEvent = nullptr;

// The tilt thread's wake-up: unnamed, auto-reset. A pulse of the named event wakes only a thread that is
// waiting at that moment, so the steps of a tilt that came while a wake-up worked waited for the next tilt;
// this event keeps the wake-up until the thread takes it. Made and closed with the named events (UI thread),
// set by any producer through WakeTiltScrolling, waited on by the tilt thread alone.
HANDLE TiltWakeEvent = nullptr;

HANDLE CreateResetEvent(const wchar_t* name) {
    HANDLE event = CreateEventW(nullptr, TRUE, TRUE, name);
    if (event) ResetEvent(event);
    return event;
}

HWND Hwnd(TiltWindow window) { return reinterpret_cast<HWND>(window); }
TiltWindow Id(HWND hwnd) { return reinterpret_cast<TiltWindow>(hwnd); }

// The desktop read through the system. Nothing here sends a message to a window, so a hung application
// cannot hold the tilt thread.
class SystemDesktop final : public TiltDesktop {
public:
    TiltWindow Focus() override {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        if (GetGUIThreadInfo(0, &info) && info.hwndFocus) return Id(info.hwndFocus);
        // When the system names no focus for the foreground thread, share that thread's input state for a
        // moment: GetFocus then answers for it. Let go at once, before anything is posted.
        HWND foreground = GetForegroundWindow();
        if (!foreground) return 0;
        const DWORD theirs = GetWindowThreadProcessId(foreground, nullptr);
        const DWORD ours = GetCurrentThreadId();
        if (theirs == 0 || theirs == ours || !AttachThreadInput(ours, theirs, TRUE)) return 0;
        HWND focus = GetFocus();
        AttachThreadInput(ours, theirs, FALSE);
        return Id(focus);
    }
    TiltWindow Foreground() override { return Id(GetForegroundWindow()); }
    TiltWindow UnderPointer() override { return Id(WindowFromPoint(PointerPoint())); }
    TiltPoint Pointer() override {
        const POINT p = PointerPoint();
        return {int(p.x), int(p.y)};
    }
    TiltWindow Parent(TiltWindow window) override {
        // The window that contains it, which GetParent does not say for a pop-up (it names the owner).
        HWND parent = window ? GetAncestor(Hwnd(window), GA_PARENT) : nullptr;
        return parent == GetDesktopWindow() ? 0 : Id(parent);
    }
    std::wstring ClassName(TiltWindow window) override {
        wchar_t name[kTiltClassNameChars + 1];
        const int n = window ? GetClassNameW(Hwnd(window), name, kTiltClassNameChars + 1) : 0;
        return std::wstring(name, size_t(n > 0 ? n : 0));
    }
    std::uint32_t Style(TiltWindow window) override {
        return std::uint32_t(GetWindowLongPtrW(Hwnd(window), GWL_STYLE));
    }
    void VisitDescendants(TiltWindow root, const std::function<bool(TiltWindow)>& visit) override {
        if (root) EnumChildWindows(Hwnd(root), FindHorizontalScrollBar, reinterpret_cast<LPARAM>(&visit));
    }
    TiltPoint ScreenToClient(TiltWindow window, TiltPoint screen) override {
        POINT p{screen.x, screen.y};
        ::ScreenToClient(Hwnd(window), &p);
        return {int(p.x), int(p.y)};
    }
    TiltPoint ClientToScreen(TiltWindow window, TiltPoint client) override {
        POINT p{client.x, client.y};
        ::ClientToScreen(Hwnd(window), &p);
        return {int(p.x), int(p.y)};
    }

private:
    // The child-window walk's callback: asks the search whether to go on. The search looks for the first
    // horizontal scroll bar (TiltRules.cpp); it keeps the bar it found, so no process-wide TiltScrollBar is
    // needed. An exception must not cross the system's frames: it ends the walk.
    static BOOL CALLBACK FindHorizontalScrollBar(HWND hwnd, LPARAM param) noexcept {
        try {
            return (*reinterpret_cast<const std::function<bool(TiltWindow)>*>(param))(Id(hwnd)) ? TRUE : FALSE;
        } catch (...) {
            return FALSE;
        }
    }

    static POINT PointerPoint() {
        POINT p{};
        GetCursorPos(&p);
        return p;
    }
};

// One wake-up's work: every window of the decision has been looked at, and the foreground thread's input
// let go again, before the first message is posted. Posting never waits for the application.
void ScrollOnce(int direction) {
    SystemDesktop desktop;
    const std::vector<TiltPost> posts = DecideTiltScroll(desktop, direction);
    for (const TiltPost& post : posts) {
        const BOOL posted =
            PostMessageW(Hwnd(post.window), post.message, WPARAM(post.wParam), LPARAM(post.lParam));
        ORVEL_TRACE("tilt-post hwnd=%llu msg=%#x w=%#llx l=%#llx%s", (unsigned long long)post.window,
                    post.message, (unsigned long long)post.wParam, (unsigned long long)post.lParam,
                    posted ? "" : " failed");
        (void)posted;
    }
    ORVEL_TRACE("tilt-scroll direction=%d posts=%u", direction, unsigned(posts.size()));
}

void TiltScrollThread(HANDLE wakeEvent) {
    for (;;) {
        if (WaitForEventOrStop(wakeEvent) == Wake::Stop || StopUnderWay()) return;
        // One action per wake-up in the direction of everything gathered; steps that arrive while this one
        // runs have set the event again, and the next wake-up follows at once.
        const int32_t steps = TiltSteps.exchange(0);
        ORVEL_TRACE("tilt-wake steps=%d", int(steps));
#if defined(ORVEL_TEST_HOOKS)
        // A wake-up whose work takes long, for the tests that stop the program or tilt again in the middle
        // of one.
        if (unsigned ms = TestSwitchMs(L"ORVEL_TEST_TILT_WORK_MS")) {
            Sleep(ms);
            ORVEL_TRACE("tilt-work-done");
        }
#endif
        const int direction = TiltDirection(steps);
        if (direction == 0 || StopUnderWay()) continue;
        ScrollOnce(direction);
    }
}

}  // namespace

void CreateTiltEvents() {
    TiltEvent = CreateResetEvent(kTiltEventName);
    TiltNoticeEvent = CreateResetEvent(kTiltNoticeEventName);
    TiltWakeEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
}

void CloseTiltEvents() {
    for (HANDLE* event : {&TiltEvent, &TiltNoticeEvent, &TiltWakeEvent}) {
        if (*event) CloseHandle(*event);
        *event = nullptr;
    }
}

void PulseTiltEvent() noexcept {
    if (TiltEvent) PulseEvent(TiltEvent);
}

void PulseTiltNoticeEvent() noexcept {
    if (TiltNoticeEvent) PulseEvent(TiltNoticeEvent);
}

void WakeTiltScrolling() noexcept {
    if (TiltWakeEvent) SetEvent(TiltWakeEvent);
    if (TiltEvent) PulseEvent(TiltEvent);
}

void TiltScrolling::Start(HWND) {
    // Without its event nothing could wake the thread.
    if (!TiltWakeEvent) return;
    HANDLE wakeEvent = TiltWakeEvent;
    thread_.Start("tilt", [wakeEvent] { TiltScrollThread(wakeEvent); });
}

bool TiltScrolling::Stop() noexcept { return thread_.Join(kWorkerJoinMs); }
