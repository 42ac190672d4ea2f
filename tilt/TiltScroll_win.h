#pragma once
// The tilt-wheel worker: woken through TiltEvent by the mouse hook and the vendor-report decoder, it takes
// the steps collected in TiltSteps and scrolls the focused application.
#include <windows.h>

// "TiltQV24GWaitEventtouch": created by the settings window's initialisation, only ever pulsed.
extern HANDLE TiltEvent;

// Ends when StopFlag is not 0 (shutdown sets the flag, then pulses TiltEvent).
DWORD WINAPI TiltScrollThread(void* mainWindow);
