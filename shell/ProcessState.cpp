#include "shell/ProcessState.h"

std::atomic<int> StopFlag{0};
std::atomic<int> DeviceMode{0};
std::atomic<int> DeviceButtonOrder{0};
std::atomic<int32_t> TiltSteps{0};
int StartHidden = 0;
std::atomic<int> GestureTipTicks{kGestureTipTicks};
std::atomic<int> SpotlightRadius{kSpotlightRadiusStart};
std::atomic<bool> BoardVisible{false};
std::atomic<int> BoardMode{0};
