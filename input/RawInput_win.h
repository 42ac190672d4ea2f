#pragma once
// Raw input: the mouse and the vendor collections of the supported mice, delivered to the settings window
// as WM_INPUT even while it is hidden or in the background.
#include <windows.h>

// Registers the five entries (the mouse, usage page 1 usage 2; the vendor collections on usage pages
// 0xFF12, 0xFF29, 0xFF31 and 0xFF18, usage 1), all with RIDEV_INPUTSINK and `target`. False when refused.
bool RegisterRawInput(HWND target);
