#pragma once
// One animation clock: a worker thread that sleeps on its event while nothing moves and, while something
// does, runs a pass every period and hands the window work to the UI thread as one closure, the next posted
// only once the last has run (a busy UI thread slows the animation down instead of piling up ticks).
//
// The clock's thread keeps the workers' rules (toolkit/WorkerThread_win.h): it holds only what the clock
// shares with its owner (the hooks below, which must themselves hold nothing that dies before the thread)
// and ends when its owner stops it or the program's stop event is set, whichever comes first.
//
// Threads: the owner makes, starts and stops the clock on the UI thread; SetTicking and Wake may be called
// from any thread; the hooks run on the clock's thread, the posted closures on the UI thread.
#include "toolkit/Handle_win.h"
#include "toolkit/WorkerThread_win.h"

#include <atomic>
#include <functional>
#include <memory>

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
    bool Started() const noexcept { return thread_.Started(); }
    // The clock's own flag: on wakes the thread; off lets it fall asleep after the pass under way.
    void SetTicking(bool on) noexcept;
    bool Ticking() const noexcept;
    // Wakes the thread to ask `moving` again (a clock with a `moving` hook of its own).
    void Wake() noexcept;
    // Ends the thread: true when it ended within kWorkerJoinMs (or never started).
    bool Stop() noexcept;

    struct Shared;  // what the thread holds; see TickClock_win.cpp

private:
    std::shared_ptr<Shared> shared_;
    WorkerThread thread_;
};
