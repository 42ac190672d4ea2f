#pragma once
// The two hooks the settings window installs at start-up: the low-level mouse hook (tilt wheel, spotlight
// size) and the out-of-context foreground win-event hook (keeps the spotlight on top). Both run on the main
// thread, the thread that installed them.
#include <windows.h>

LRESULT CALLBACK MouseHookProc(int nCode, WPARAM wParam, LPARAM lParam) noexcept;
void CALLBACK ForegroundEventProc(HWINEVENTHOOK hook, DWORD event, HWND hwnd, LONG idObject, LONG idChild,
                                  DWORD eventThread, DWORD eventTime) noexcept;
