#pragma once
// Test builds: with ORVEL_TEST_SWITCHER_PRINT_HANG set, a window titled "Switcher print hang" on a thread of
// its own that answers every message sent to it but never comes back from WM_PRINT, the way a window of
// another program can: the switcher asks it for a picture as for any window not of the UI thread. (Wine here
// refuses WM_PRINT between processes, so a helper program's window cannot stand in for it.) Each WM_PRINT
// that reaches it is traced, "print-hang entered N". The product has none of this.
#if defined(ORVEL_TEST_HOOKS)
void StartPrintHangWindowIfAsked();
#endif
