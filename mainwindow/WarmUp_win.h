#pragma once
// The first use of the picker, the tip and the gesture indicator used to cost the UI thread one turn of 60 to
// 100 ms each (pictures decoded, fonts looked up, GDI+ objects made), in the middle of a click. Once the
// program is up, the settings window does that work ahead, one small step per tick of a short timer: a
// timer's turn comes after every waiting input and paint, so a step never delays either, and the timer is
// gone once the last step ran (the idle program keeps no timer). UI thread only.

#include "shell/AppModel_win.h"

#include <windows.h>

// The number of steps; WarmUpStep(0) .. WarmUpStep(WarmUpSteps() - 1) are run in order.
int WarmUpSteps();
// `picker` is the top-level picker's window; `model` the program's model, whose catalogue it shows.
void WarmUpStep(int step, HWND picker, const AppModel& model);
