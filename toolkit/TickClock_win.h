#pragma once
// One animation clock: a worker thread that sleeps on its event while nothing moves and, while something
// does, runs a pass every period and hands the window work to the UI thread as one closure, the next posted
// only once the last has run (a busy UI thread slows the animation down instead of piling up ticks).
//
// A clock that has had nothing to do for kClockRetireMs lets its thread end, and the next Wake or
// SetTicking(true) starts a new one: the program spends most of its life hidden, and a sleeping thread still
// holds its stack (about 1 MB under Wine). Starting a thread costs well under a millisecond.
//
// The clock's thread keeps the workers' rules (toolkit/WorkerThread_win.h): it holds only what the clock
// shares with its owner (the hooks below, which must themselves hold nothing that dies before the thread)
// and ends when its owner stops it or the program's stop event is set, whichever comes first.
//
// Threads: the owner makes, starts and stops the clock, and calls Wake and SetTicking(true) (which may start
// the thread again), on the UI thread; SetTicking(false) and Ticking may be called from any thread; the hooks
// run on the clock's thread, the posted closures on the UI thread.
#include "toolkit/Handle_win.h"
#include "toolkit/WorkerThread_win.h"

#include <atomic>
#include <functional>
#include <memory>

constexpr DWORD kClockRetireMs = 3000;

class TickClock {
public:
    struct Hooks {
        DWORD periodMs = 10;
        int priority = THREAD_PRIORITY_NORMAL;
        // Whether something moves; asked before every pass and after every wake-up. Empty: the clock's own
        // flag (SetTicking).
        std::function<bool()> moving;
        // The pass on the clock's thread; true when the UI thread has work (`onUi`). Empty: always.
        std::function<bool()> pass;
        // The UI thread's work for a pass, coalesced: never more than one on its way.
        std::function<void()> onUi;
        // Once, on the UI thread, when the moving ends after a pass (the gesture indicator hides). May be empty.
        std::function<void()> onRest;
        // The pass comes at the start of its period instead of its end (the first frame shows at once).
        bool leadingPass = false;
    };

    TickClock();
    ~TickClock();  // tells the thread to end without waiting for it (Stop waits)
    TickClock(const TickClock&) = delete;
    TickClock& operator=(const TickClock&) = delete;

    // Starts the thread (named `name` in the trace) with `hooks`. False when it could not be started, or
    // when the clock was stopped already: a stopped clock never starts again.
    bool Start(const char* name, Hooks hooks);
    // Started and not stopped (its thread may have retired meanwhile).
    bool Started() const noexcept { return name_ != nullptr; }
    // The clock's own flag: on wakes the thread; off lets it fall asleep after the pass under way.
    void SetTicking(bool on) noexcept;
    bool Ticking() const noexcept;
    // Wakes the thread to ask `moving` again (a clock with a `moving` hook of its own).
    void Wake() noexcept;
    // Ends the thread: true when it ended within kWorkerJoinMs (or never started).
    bool Stop() noexcept;

    struct Shared;  // what the thread holds; see TickClock_win.cpp

private:
    bool StartThread();
    void Rouse() noexcept;  // the event, and a new thread if the last one retired

    std::shared_ptr<Shared> shared_;
    WorkerThread thread_;
    const char* name_ = nullptr;
};
