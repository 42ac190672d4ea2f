#pragma once
// One part of the running program: started and stopped by the program's owner (ResidentProgram), always on
// the UI thread, parts in the fixed start-up order and stopped in the reverse order.
class Subsystem {
public:
    Subsystem() = default;
    virtual ~Subsystem() = default;
    Subsystem(const Subsystem&) = delete;
    Subsystem& operator=(const Subsystem&) = delete;

    // Brings the part up. A failing step is the part's own business: the program goes on without it.
    virtual void Start() = 0;
    // Undoes Start. False when a thread of the part did not end within its bound: it is left to run, and the
    // part must then leave alive everything that thread may still use.
    virtual bool Stop() noexcept { return true; }
};
