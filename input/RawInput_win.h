#pragma once
// Raw input: the mouse and the vendor collections of the supported mice, delivered to the settings window
// as WM_INPUT even while it is hidden or in the background, and what the program does with each record.
// UI thread.
#include <windows.h>

#include "input/ProgramWindows_win.h"
#include "input/RawInputRules.h"
#include "shell/AppModel_win.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Registers the five entries (the mouse, usage page 1 usage 2; the vendor collections on usage pages
// 0xFF12, 0xFF29, 0xFF31 and 0xFF18, usage 1), all with RIDEV_INPUTSINK and `target`. False when refused.
bool RegisterRawInput(HWND target);

// The switcher's keys: raw keyboard input (usage page 1, usage 6) with RIDEV_INPUTSINK to `target`, so that
// they reach it while another window has the focus. Only while an overview is shown: registered, every key
// the user types anywhere would wake the UI thread. False when refused.
bool RegisterKeyboardSink(HWND target);
// Removes the keyboard registration if it still goes to `target`. The system keeps one per usage for the
// whole process, so removing it must not take one that another window has made since; the mouse and the
// vendor collections (the settings window's) are other usages and stay as they are.
void RemoveKeyboardSink(HWND target);
// The process's raw-input registrations as the system keeps them.
std::vector<RawDeviceEntry> RegisteredRawInput();

// One WM_INPUT record: mouse records go to the switcher and the board and may close a button's picker;
// a vendor report runs and releases functions, adds tilt steps and shows the gesture indicator.
void HandleRawInput(HRAWINPUT input, const AppModel& model, const ProgramWindows& windows);

// One vendor input report, as a raw-input record carries it.
void HandleVendorReport(const uint8_t* report, std::size_t length, const AppModel& model,
                        const ProgramWindows& windows);
