#pragma once
// The shell's functions of the catalogue (My Computer, Show desktop, the calculator) run on a thread of their
// own with COM initialised there: a slow or hung shell must not stall the UI thread, which answers raw input
// and paints. The UI thread only queues a request and returns.
#include "toolkit/Subsystem_win.h"
#include "toolkit/WorkerThread_win.h"

enum class ShellAction { MyComputer, ShowDesktop, Calculator };

// Queues `action` for the shell thread. UI thread; returns at once. Dropped when the thread does not run.
void RequestShellAction(ShellAction action);

class ShellActions final : public Subsystem {
public:
    void Start(HWND owner) override;
    bool Stop() noexcept override;  // a thread stuck in the shell is left to run; it touches only its queue

private:
    WorkerThread thread_;
};
