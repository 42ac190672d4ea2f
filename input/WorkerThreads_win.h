#pragma once
// Worker threads of the input side, started by the settings window's initialisation with the window as
// parameter. Both only read the shared flags and call window functions the system carries over to the main
// thread.
#include <windows.h>

// Keeps the gesture indicator beside the cursor every 30 ms while GestureTipTicks counts up to 24; ends
// when StopFlag is not 0.
DWORD WINAPI GestureTipThread(void* mainWindow);

// Shows the settings window each time another start of the program pulses "qvmouseeventtouch"; woken with
// StopFlag not 0 it sets StopFlag to 2 and ends.
DWORD WINAPI InstanceWatchThread(void* mainWindow);
