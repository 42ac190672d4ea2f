#pragma once
// Raw input: the mouse and the vendor collections of the supported mice, delivered to the settings window
// as WM_INPUT even while it is hidden or in the background, and what the program does with each record.
// UI thread.
#include <windows.h>

#include "input/RawInputRules.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Registers the five entries (the mouse, usage page 1 usage 2; the vendor collections on usage pages
// 0xFF12, 0xFF29, 0xFF31 and 0xFF18, usage 1), all with RIDEV_INPUTSINK and `target`. False when refused.
bool RegisterRawInput(HWND target);

// The process's raw-input registrations as the system keeps them.
std::vector<RawDeviceEntry> RegisteredRawInput();

// One WM_INPUT record: mouse records go to the switcher and the board and may close a button's picker;
// a vendor report runs and releases functions, adds tilt steps and shows the gesture indicator.
void HandleRawInput(HRAWINPUT input);

// One vendor input report, as a raw-input record carries it.
void HandleVendorReport(const uint8_t* report, std::size_t length);
