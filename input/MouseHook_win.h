#pragma once
// The low-level mouse hook. Every mouse event of the whole desktop waits for its answer, and the system
// silently removes a hook that keeps it waiting, so it runs on a thread of its own that does nothing else:
// no paint, no shutdown pause, no other window's message can make it late. MouseHookProc answers from atomics
// alone (the board's state, SpotlightRadius, TiltSteps); what an answer leaves to do with a kernel call
// (waking the tilt thread, repainting the board) the same thread does once the answer is back with the
// desktop (FinishHookEvents).
#include "toolkit/Subsystem_win.h"
#include "toolkit/WorkerThread_win.h"

#include <windows.h>

LRESULT CALLBACK MouseHookProc(int nCode, WPARAM wParam, LPARAM lParam) noexcept;
// The hook's own work for one event (without passing it on): true when the event is swallowed. Atomics only.
bool HandleHookEvent(WPARAM message, const MSLLHOOKSTRUCT& event) noexcept;
// What the answers given since the last call left to do: wakes the tilt thread when steps were added, repaints
// `board` (the board's window, or null) when the spotlight changed. The hook's thread, after its answers.
void FinishHookEvents(HWND board) noexcept;

class MouseHookThread final : public Subsystem {
public:
    // `board`: the board's window, which the thread repaints when the spotlight's size changed. The board
    // starts before this part and stops after it, so the thread never outlives the window it was handed
    // within its bound (one left running past it only invalidates a handle that is gone, which does nothing).
    explicit MouseHookThread(HWND board) : board_(board) {}
    // Returns once the hook is installed (or could not be).
    void Start(HWND owner) override;
    // Removes the hook and ends the thread.
    bool Stop() noexcept override;

private:
    HWND board_;
    WorkerThread thread_;
};

// Raw input saw a wheel or tilt notch (UI thread). When the hook has been quiet for a while and does not
// report this notch either, it was lost: it is installed afresh.
void NoteRawWheel();
// Installs the hook afresh now (after a resume from sleep, say). Any thread; returns at once.
void ReinstallMouseHook();
#if defined(ORVEL_TEST_HOOKS)
// Removes the hook without telling anyone, as the system does with a hook that timed out too often.
void DropMouseHookForTest();
#endif
