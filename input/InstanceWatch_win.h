#pragma once
// The instance watch: shows the settings window each time another start of the program pulses
// "qvmouseeventtouch"; when the program stops it sets StopFlag to 2 and ends.
#include "toolkit/Subsystem_win.h"
#include "toolkit/WorkerThread_win.h"

class InstanceWatch final : public Subsystem {
public:
    void Start() override;
    bool Stop() noexcept override;

private:
    WorkerThread thread_;
};
