#pragma once
// The device link as the main window sees it. Every function returns at once except CloseWatchDeviceWork
// and WaitForDeviceProbes, which belong on the close-watch thread and at the very end of the process.
// The probes themselves run on their own threads, one at a time.
#include <windows.h>

// Creates the probe lock and the prober. First thing in the main window's initialisation; calling it
// again does nothing, and the other functions create it themselves when needed.
void InitDeviceProbeLock();

// Asks for WM_DEVICECHANGE notifications of HID interfaces arriving at `window`. The handle the system
// returns is not kept: the registration lasts as long as the window.
void RegisterHidNotifications(HWND window);

// Starts one probe per present HID interface with the current DeviceMode; returns as soon as the probes
// are started (SaveSettings calls it on the main thread).
void EnumerateAndProbeDevices();

// WM_DEVICECHANGE: an arriving HID interface is probed on its own thread; everything else (removal too) is
// ignored. The caller passes the message on to default handling afterwards.
void OnDeviceChange(WPARAM wParam, LPARAM lParam);

// The close-watch thread's device work: DeviceMode = 0, every present interface probed with mode 0, then
// (once those probes are done, at most about 2 s) the shutdown pass ResetReceivers on the calling thread.
// `buttonOrder` is the "order" setting (Slots.ButtonOrder) that the KEVO family is told.
void CloseWatchDeviceWork(int buttonOrder);

// Waits until every probe started so far has finished, at most `timeoutMs`. True when none is left.
// Called before the process exits so that no probe is cut off in the middle of a sequence.
bool WaitForDeviceProbes(DWORD timeoutMs = 2000);
