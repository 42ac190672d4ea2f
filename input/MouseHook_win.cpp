#include "input/MouseHook_win.h"

#include "input/MouseHookRules.h"
#include "shell/ProcessState.h"
#include "tilt/TiltScroll_win.h"
#include "toolkit/Trace_win.h"

#include <atomic>
#include <utility>

namespace {

constexpr DWORD kInstallWaitMs = 2000;
// Thread messages of the hook's thread.
constexpr UINT kReinstallMessage = WM_APP + 1;
constexpr UINT kDropMessage = WM_APP + 2;

// When the hook last answered an event (GetTickCount64). Written on the hook's thread, read on the UI thread.
std::atomic<unsigned long long> LastHookEventMs{0};
// The hook's thread while it runs, for the requests to reinstall; 0 otherwise.
std::atomic<DWORD> HookThreadId{0};

// What the hook's answers left for the hook's thread to do once they have gone back to the desktop: wake the
// tilt thread, repaint the board. Each is a kernel call (a round trip to the server under Wine) that every
// mouse event of the desktop would otherwise wait for. Written by the hook, taken by FinishHookEvents, both on
// the hook's thread (the benchmark makes both calls on its own).
std::atomic<bool> TiltWakeDue{false};
std::atomic<bool> BoardRepaintDue{false};

HHOOK InstallHook() { return SetWindowsHookExW(WH_MOUSE_LL, MouseHookProc, GetModuleHandleW(nullptr), 0); }

void HookThread(HANDLE installed, HWND board) {
    // The desktop waits for every answer: this thread goes before the program's others.
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
    MSG peek;
    PeekMessageW(&peek, nullptr, 0, 0, PM_NOREMOVE);  // the thread's queue, before anyone posts to it
    UniqueMouseHook hook(InstallHook());
    ORVEL_TRACE("mouse-hook %s", hook ? "installed" : "failed");
    LastHookEventMs = GetTickCount64();
    HookThreadId = GetCurrentThreadId();
    SetEvent(installed);  // the starter's handle; it stops waiting for it from here on
    // The hook's calls arrive inside PeekMessage, each answered there before the next; what they leave to do
    // is done once the queue is empty. The stop ends the loop.
    HANDLE stop = StopEvent();
    for (;;) {
        DWORD r = MsgWaitForMultipleObjectsEx(stop ? 1 : 0, &stop, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (stop && r == WAIT_OBJECT_0) break;
        MSG msg;
        for (;;) {
            const BOOL got = PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);
            FinishHookEvents(board);
            if (!got) break;
            if (msg.message == WM_QUIT) {
                HookThreadId = 0;
                return;
            }
            if (msg.message == kReinstallMessage) {
                // A handle the system has let go of is worth nothing: a fresh hook replaces it.
                hook.Reset(InstallHook());
                LastHookEventMs = GetTickCount64();
                ORVEL_TRACE("mouse-hook reinstalled %s", hook ? "ok" : "failed");
            }
#if defined(ORVEL_TEST_HOOKS)
            if (msg.message == kDropMessage) {
                UnhookWindowsHookEx(hook.Get());  // the handle stays, as after the system's removal
                ORVEL_TRACE("mouse-hook dropped");
            }
#endif
            DispatchMessageW(&msg);
        }
    }
    HookThreadId = 0;
}

// The UI thread's second look at a quiet hook, kHookGraceMs after a raw wheel notch.
unsigned long long PendingNotchMs = 0;  // UI thread only; 0 when no look is due

void CALLBACK CheckHookAfterNotch(HWND, UINT, UINT_PTR timer, DWORD) noexcept {
    KillTimer(nullptr, timer);
    const unsigned long long notch = std::exchange(PendingNotchMs, 0);
    if (notch && HookMissedNotch(LastHookEventMs, notch)) {
        ORVEL_TRACE("mouse-hook lost: a raw wheel notch it did not see");
        ReinstallMouseHook();
    }
}

}  // namespace

void NoteRawWheel() {
    const unsigned long long now = GetTickCount64();
    if (PendingNotchMs || !HookLooksQuiet(LastHookEventMs, now)) return;
    PendingNotchMs = now;
    if (!SetTimer(nullptr, 0, kHookGraceMs, CheckHookAfterNotch)) PendingNotchMs = 0;
}

void ReinstallMouseHook() {
    if (DWORD thread = HookThreadId) PostThreadMessageW(thread, kReinstallMessage, 0, 0);
}

#if defined(ORVEL_TEST_HOOKS)
void DropMouseHookForTest() {
    if (DWORD thread = HookThreadId) PostThreadMessageW(thread, kDropMessage, 0, 0);
}
#endif

bool HandleHookEvent(WPARAM message, const MSLLHOOKSTRUCT& event) noexcept {
    LastHookEventMs.store(GetTickCount64(), std::memory_order_relaxed);
    const int delta = short(HIWORD(event.mouseData));
    const MouseHookVerdict verdict =
        DecideMouseHook(unsigned(message), delta, BoardVisible, BoardShownMode, SpotlightRadius);
    if (verdict.radiusChanged) {
        SpotlightRadius = verdict.spotlightRadius;
        BoardRepaintDue.store(true, std::memory_order_relaxed);
    }
    if (verdict.pulseTilt) {
        TiltSteps += verdict.tiltSteps;
        TiltWakeDue.store(true, std::memory_order_relaxed);
    }
    return verdict.swallow;
}

void FinishHookEvents(HWND board) noexcept {
    if (TiltWakeDue.exchange(false, std::memory_order_relaxed)) WakeTiltScrolling();
    if (BoardRepaintDue.exchange(false, std::memory_order_relaxed)) {
        if (board) InvalidateRect(board, nullptr, FALSE);  // never waits for its thread
    }
}

LRESULT CALLBACK MouseHookProc(int nCode, WPARAM wParam, LPARAM lParam) noexcept {
    // Anything that is not a plain notification belongs to the next hook, untouched.
    if (nCode == HC_ACTION && HandleHookEvent(wParam, *reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam))) return 1;
    return CallNextHookEx(nullptr, nCode, wParam, lParam);
}

void MouseHookThread::Start(HWND) {
    UniqueKernelHandle installed(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!installed) return;
    HANDLE signal = installed.Get();
    const HWND board = board_;
    if (!thread_.Start("mouse-hook", [signal, board] { HookThread(signal, board); })) return;
    // Start-up goes on once the hook is in place, as it did when the hook was installed here directly. If the
    // thread has not said so in time, it must not find its event closed: leave the handle to the process.
    if (WaitForSingleObject(signal, kInstallWaitMs) != WAIT_OBJECT_0) installed.Release();
}

bool MouseHookThread::Stop() noexcept {
    if (thread_.Started()) PostThreadMessageW(thread_.Id(), WM_QUIT, 0, 0);
    return thread_.Join(kWorkerJoinMs);
}
