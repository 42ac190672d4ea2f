#pragma once
// The tilt-wheel scrolling: a thread woken by the mouse hook's thread and the vendor-report decoder
// (WakeTiltScrolling) once they have added steps to TiltSteps; it takes them and scrolls the focused
// application.
#include "toolkit/Subsystem_win.h"
#include "toolkit/WorkerThread_win.h"

// "TiltQV24GWaitEventtouch" and "TiltQV24GWaitEventtouchev": manual reset, only ever pulsed, for the other
// processes that watch them; nothing in this program waits on either. Created by CreateTiltEvents during
// start-up, before any thread that uses them starts, together with the tilt thread's own wake-up event, and
// closed by CloseTiltEvents only once every thread of the program has ended.
void CreateTiltEvents();
void CloseTiltEvents();
// Pulses "TiltQV24GWaitEventtouch" (the stop handshake, the benchmark's hook) and
// "TiltQV24GWaitEventtouchev" (a changed tilt setting, the stop handshake); nothing while they do not exist.
void PulseTiltEvent() noexcept;
void PulseTiltNoticeEvent() noexcept;

// After steps were added to TiltSteps, from any thread: sets the tilt thread's own event (auto-reset, and it
// stays set until the thread takes it, so steps that come while a wake-up works are taken right after it) and
// pulses TiltEvent for the other processes. Two kernel calls: the mouse hook's thread makes them after it has
// answered the desktop, never inside its answer.
void WakeTiltScrolling() noexcept;

class TiltScrolling final : public Subsystem {
public:
    void Start(HWND owner) override;
    bool Stop() noexcept override;

private:
    WorkerThread thread_;
};
