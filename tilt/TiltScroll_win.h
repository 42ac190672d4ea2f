#pragma once
// The tilt-wheel scrolling: a thread woken through TiltEvent by the mouse hook and the vendor-report decoder;
// it takes the steps collected in TiltSteps and scrolls the focused application.
#include "toolkit/Subsystem_win.h"
#include "toolkit/WorkerThread_win.h"

// "TiltQV24GWaitEventtouch" and "TiltQV24GWaitEventtouchev": manual reset, only ever pulsed. Created by
// CreateTiltEvents during start-up, before any thread that uses them starts, and closed by CloseTiltEvents
// only once every thread of the program has ended.
extern HANDLE TiltEvent;
extern HANDLE TiltNoticeEvent;
void CreateTiltEvents();
void CloseTiltEvents();

class TiltScrolling final : public Subsystem {
public:
    void Start() override;
    bool Stop() noexcept override;

private:
    WorkerThread thread_;
};
