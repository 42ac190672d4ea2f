#include "input/MouseHook_win.h"

#include "input/MouseHookRules.h"
#include "overlays/BoardDlg_win.h"
#include "shell/ProcessState.h"
#include "tilt/TiltScroll_win.h"
#include "toolkit/Trace_win.h"

namespace {

constexpr DWORD kInstallWaitMs = 2000;

void HookThread(HANDLE installed) {
    // The desktop waits for every answer: this thread goes before the program's others.
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
    HHOOK hook = SetWindowsHookExW(WH_MOUSE_LL, MouseHookProc, GetModuleHandleW(nullptr), 0);
    ORVEL_TRACE("mouse-hook %s", hook ? "installed" : "failed");
    SetEvent(installed);  // the starter's handle; it stops waiting for it from here on
    if (!hook) return;
    UniqueMouseHook owned(hook);
    // The hook's calls arrive while the thread waits for messages; the stop ends the loop.
    HANDLE stop = StopEvent();
    for (;;) {
        DWORD r = MsgWaitForMultipleObjectsEx(stop ? 1 : 0, &stop, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (stop && r == WAIT_OBJECT_0) return;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) return;
            DispatchMessageW(&msg);
        }
    }
}

}  // namespace

LRESULT CALLBACK MouseHookProc(int nCode, WPARAM wParam, LPARAM lParam) noexcept {
    // Anything that is not a plain notification belongs to the next hook, untouched.
    if (nCode != HC_ACTION) return CallNextHookEx(nullptr, nCode, wParam, lParam);
    const auto* event = reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam);
    const int delta = short(HIWORD(event->mouseData));
    const MouseHookVerdict verdict =
        DecideMouseHook(unsigned(wParam), delta, BoardVisible, BoardMode, SpotlightRadius);
    if (verdict.radiusChanged) {
        SpotlightRadius = verdict.spotlightRadius;
        if (HWND board = BoardHandle) InvalidateRect(board, nullptr, FALSE);  // never waits for its thread
    }
    if (verdict.pulseTilt) {
        TiltSteps += verdict.tiltSteps;
        if (TiltEvent) PulseEvent(TiltEvent);
    }
    if (verdict.swallow) return 1;
    return CallNextHookEx(nullptr, nCode, wParam, lParam);
}

void MouseHookThread::Start() {
    UniqueKernelHandle installed(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!installed) return;
    HANDLE signal = installed.Get();
    if (!thread_.Start("mouse-hook", [signal] { HookThread(signal); })) return;
    // Start-up goes on once the hook is in place, as it did when the hook was installed here directly. If the
    // thread has not said so in time, it must not find its event closed: leave the handle to the process.
    if (WaitForSingleObject(signal, kInstallWaitMs) != WAIT_OBJECT_0) installed.Release();
}

bool MouseHookThread::Stop() noexcept {
    if (thread_.Started()) PostThreadMessageW(thread_.Id(), WM_QUIT, 0, 0);
    return thread_.Join(kWorkerJoinMs);
}
