#pragma once
// The instance watch: shows the settings window each time another start of the program pulses
// "qvmouseeventtouch"; it ends when the program's stop begins.
#include "toolkit/Subsystem_win.h"
#include "toolkit/WorkerThread_win.h"

class InstanceWatch final : public Subsystem {
public:
    // `instanceEvent` stays open as long as any thread may wait on it.
    explicit InstanceWatch(HANDLE instanceEvent) : instanceEvent_(instanceEvent) {}
    void Start(HWND owner) override;
    bool Stop() noexcept override;

private:
    HANDLE instanceEvent_;
    WorkerThread thread_;
};
