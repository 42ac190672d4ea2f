#include "toolkit/TickClock_win.h"

#include "toolkit/UiThread_win.h"

#include <utility>

struct TickClock::Shared {
    UniqueKernelHandle wake{CreateEventW(nullptr, FALSE, FALSE, nullptr)};  // auto-reset, set (never pulsed)
    std::atomic<bool> ticking{false};
    std::atomic<bool> uiQueued{false};  // a pass's closure is on its way to the UI thread
    std::atomic<bool> quit{false};      // the owner stopped the clock; the one stop besides the program's
    // kAlive while the thread runs; the thread sets kRetiring when it ends for idleness, and takes it back
    // unless the owner claimed it first (kClaimed: the owner starts a new thread once this one has ended).
    std::atomic<int> life{0};
    Hooks hooks;                        // fixed before the thread starts; read only by the thread
};

namespace {

constexpr int kAlive = 0;
constexpr int kRetiring = 1;
constexpr int kClaimed = 2;

bool Moving(TickClock::Shared& clock) {
    return clock.hooks.moving ? clock.hooks.moving() : clock.ticking.load();
}

// One pass and its coalesced closure. The closure holds the shared state, never the owner.
void RunPass(const std::shared_ptr<TickClock::Shared>& shared) {
    TickClock::Shared& clock = *shared;
    if (clock.hooks.pass && !clock.hooks.pass()) return;
    if (!clock.hooks.onUi || clock.uiQueued.exchange(true)) return;
    const bool posted = UiThread::Post([shared] {
        shared->uiQueued = false;
        shared->hooks.onUi();
    });
    if (!posted) clock.uiQueued = false;
}

void ClockThread(const std::shared_ptr<TickClock::Shared>& shared) {
    TickClock::Shared& clock = *shared;
    if (clock.hooks.priority != THREAD_PRIORITY_NORMAL) SetThreadPriority(GetCurrentThread(), clock.hooks.priority);
    bool moved = false;  // the last turn ran a pass
    for (;;) {
        if (clock.quit) return;
        if (!Moving(clock)) {
            if (moved && clock.hooks.onRest) {
                UiThread::Post([shared] { shared->hooks.onRest(); });
            }
            moved = false;
            const Wake woke = WaitForEventOrStop(clock.wake.Get(), kClockRetireMs);
            if (woke == Wake::Stop) return;
            if (woke == Wake::Timeout) {
                clock.life = kRetiring;
                // A wake that came as the wait ran out is kept: the thread takes its life back, unless the
                // owner saw it retiring first and is starting the next thread.
                const bool woken = WaitForSingleObject(clock.wake.Get(), 0) == WAIT_OBJECT_0 || Moving(clock);
                int retiring = kRetiring;
                if (!woken || !clock.life.compare_exchange_strong(retiring, kAlive)) return;
            }
            continue;
        }
        moved = true;
        if (clock.hooks.leadingPass) {
            RunPass(shared);
            if (!PauseUnlessStopped(clock.hooks.periodMs)) return;
            continue;
        }
        if (!PauseUnlessStopped(clock.hooks.periodMs)) return;
        // A clock on its own flag passes only if it still ticks; a `moving` hook's pass decides for itself
        // (the tip's fader finishes a fade it was told to end meanwhile).
        if (clock.quit || (!clock.hooks.moving && !clock.ticking)) continue;
        RunPass(shared);
    }
}

}  // namespace

TickClock::TickClock() : shared_(std::make_shared<Shared>()) {}

TickClock::~TickClock() {
    // Told to end, not waited for: the owner's Stop waits within its bound, and a thread that outlived that
    // holds only the shared state.
    shared_->quit = true;
    if (shared_->wake) SetEvent(shared_->wake.Get());
}

bool TickClock::Start(const char* name, Hooks hooks) {
    if (name_ || shared_->quit) return false;
    shared_->hooks = std::move(hooks);
    name_ = name;
    if (StartThread()) return true;
    name_ = nullptr;
    return false;
}

bool TickClock::StartThread() {
    shared_->life = kAlive;
    std::shared_ptr<Shared> shared = shared_;
    return thread_.Start(name_, [shared] { ClockThread(shared); });
}

void TickClock::Rouse() noexcept {
    if (shared_->wake) SetEvent(shared_->wake.Get());
    int retiring = kRetiring;
    if (!name_ || shared_->quit || !shared_->life.compare_exchange_strong(retiring, kClaimed)) return;
    // The old thread is on its way out (it only returns from here); the new one asks `moving` first.
    thread_.Join(kWorkerJoinMs);
    StartThread();
}

void TickClock::SetTicking(bool on) noexcept {
    if (!on) {
        shared_->ticking = false;
        return;
    }
    if (shared_->ticking.exchange(true)) return;
    Rouse();
}

bool TickClock::Ticking() const noexcept { return shared_->ticking; }

void TickClock::Wake() noexcept { Rouse(); }

bool TickClock::Stop() noexcept {
    shared_->quit = true;
    if (shared_->wake) SetEvent(shared_->wake.Get());
    name_ = nullptr;
    return thread_.Join(kWorkerJoinMs);
}
