#pragma once
// One part of the running program: started and stopped by the program's owner (ResidentProgram), always on
// the UI thread, parts in the fixed start-up order and stopped in the reverse order.
#include <windows.h>

class Subsystem {
public:
    Subsystem() = default;
    virtual ~Subsystem() = default;
    Subsystem(const Subsystem&) = delete;
    Subsystem& operator=(const Subsystem&) = delete;

    // Brings the part up. `owner` is the settings window, which owns every window of the program (an owned
    // window has no taskbar button and no Alt+Tab entry of its own, and goes with its owner). A failing step
    // is the part's own business: the program goes on without it.
    virtual void Start(HWND owner) = 0;
    // Undoes Start. False when a thread of the part did not end within its bound: it is left to run, and the
    // part must then leave alive everything that thread may still use.
    virtual bool Stop() noexcept { return true; }
};
