#include "shell/ProcessState.h"

std::atomic<StopPhase> ProgramStop{StopPhase::Running};

StopPhase AdvanceStop(std::atomic<StopPhase>& phase, StopPhase to) noexcept {
    StopPhase before = phase.load();
    while (int(before) < int(to) && !phase.compare_exchange_weak(before, to)) {
    }
    return before;
}
std::atomic<int> DeviceMode{0};
std::atomic<int> DeviceButtonOrder{0};
std::atomic<int32_t> TiltSteps{0};
int StartHidden = 0;
std::atomic<int> GestureTipTicks{kGestureTipTicks};
std::atomic<int> SpotlightRadius{kSpotlightRadiusStart};
