#pragma once
// Carries out what a function does when its button is pressed and released: key strokes with SendInput, the
// shell's functions on their thread, a group's list at the pointer, the switcher and the board, reached
// through `windows`. UI thread.
#include "input/ProgramWindows_win.h"
#include "shell/AppModel_win.h"


// A press of the function at position `position` of the model's catalogue; anything outside it does nothing.
void RunFunctionAt(int position, const AppModel& model, const ProgramWindows& windows);
// Its release: key functions send their key-ups once more; nothing else happens.
void ReleaseFunctionAt(int position, const AppModel& model);

// A choice in a group's list that a button opened: the window that was in front when the list opened gets
// the foreground back first (the list took it), so that the chosen keys go where the user was working. Key
// strokes wait until that window is active again (at most kGroupKeysBoundMs, on a timer of the UI thread);
// everything else runs at once. Traced "group-keys sent target-ready|bound|next-choice after N ms".
void RunGroupChoice(int position, const AppModel& model, const ProgramWindows& windows);
