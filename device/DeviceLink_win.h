#pragma once
// The device link as the main window sees it. Every function returns at once except CloseWatchDeviceWork
// and WaitForDeviceProbes, which belong on the event-watch thread and at the very end of the process.
// The probes themselves run on one worker thread (device/DeviceProber.h).
#include <windows.h>

// Creates the prober (its worker starts with the first request and ends after 3 s idle, the next request
// starting another). First thing in the main window's initialisation; calling it again does nothing, and the
// other functions create it themselves when needed.
void InitDeviceProbeLock();

// Asks for WM_DEVICECHANGE notifications of HID interfaces arriving at `window`. The handle the system
// returns is not kept: the registration lasts as long as the window.
void RegisterHidNotifications(HWND window);

// Asks the worker to probe every present HID interface with the DeviceMode current when it gets there;
// returns at once (SaveSettings calls it on the main thread).
void EnumerateAndProbeDevices();

// WM_DEVICECHANGE: an arriving HID interface (by class and path) is queued for a probe, even one that had
// stopped answering; everything else (removal too) is ignored. The caller passes the message on to default
// handling afterwards.
void OnDeviceChange(WPARAM wParam, LPARAM lParam);

// The event-watch thread's device work: DeviceMode = 0, then on the worker every present interface probed
// with mode 0 and the reset pass, which tells the KEVO family DeviceButtonOrder as it is then. Waits for
// them at most about 2 s; the worker goes on with them afterwards if need be.
void CloseWatchDeviceWork();

// Waits until everything asked of the worker so far is done, at most `timeoutMs`. True when it is.
// Called before the process exits so that no probe is cut off in the middle of a sequence.
bool WaitForDeviceProbes(DWORD timeoutMs = 2000);
