#include "input/Hooks_win.h"

// The hook is on every mouse event of the desktop: it must decide at once and pass everything it does not
// handle straight on. Until the tilt and spotlight handling arrive it handles nothing.
LRESULT CALLBACK MouseHookProc(int nCode, WPARAM wParam, LPARAM lParam) noexcept {
    return CallNextHookEx(nullptr, nCode, wParam, lParam);
}

// Keeps the spotlight board above a newly activated window; the board's modes arrive with the board itself.
void CALLBACK ForegroundEventProc(HWINEVENTHOOK, DWORD, HWND, LONG, LONG, DWORD, DWORD) noexcept {}
