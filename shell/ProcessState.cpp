#include "shell/ProcessState.h"

std::atomic<int> StopFlag{0};
std::atomic<int> DeviceMode{0};
std::atomic<int32_t> TiltSteps{0};
int StartHidden = 0;
std::atomic<int> GestureTipTicks{24};
