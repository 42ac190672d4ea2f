#pragma once
// The program's windows by handle, as the owner hands them to the settings window when it has started them,
// and the settings window to the input handlers it calls. A handler finds a window's object with
// Dialog::From when it needs it, so a window that is gone (or never came up) is simply not found. A plain
// value: whoever holds a copy holds no window. UI thread.
#include <windows.h>

struct ProgramWindows {
    HWND settings = nullptr;   // the settings window, owner of all the others
    HWND switcher = nullptr;   // EXPOSE_DLG
    HWND magnifier = nullptr;  // CircleDLG
    HWND gesture = nullptr;    // CursorDlg, the gesture indicator
    HWND board = nullptr;      // BoardDlg
    HWND picker = nullptr;     // the top-level ZuItemList
};
