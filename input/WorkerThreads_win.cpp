#include "input/WorkerThreads_win.h"

#include "mainwindow/KestanAssistantDlg_win.h"
#include "overlays/CursorDlg_win.h"
#include "shell/ProcessState.h"
#include "shell/SingleInstance_win.h"

DWORD WINAPI GestureTipThread(void*) {
    while (StopFlag == 0) {
        POINT cursor;
        GetCursorPos(&cursor);
        HWND indicator = CursorWindow ? CursorWindow->Hwnd() : nullptr;
        if (indicator) {
            if (GestureTipTicks > 23) {
                if (IsWindowVisible(indicator)) ShowWindow(indicator, SW_HIDE);
            } else {
                SetWindowPos(indicator, HWND_TOPMOST, cursor.x, cursor.y + 50, 0, 0,
                             SWP_NOSIZE | SWP_NOACTIVATE);
                if (!IsWindowVisible(indicator)) ShowWindow(indicator, SW_SHOWNORMAL);
                ++GestureTipTicks;
                InvalidateRect(indicator, nullptr, FALSE);
                UpdateWindow(indicator);
            }
        }
        Sleep(30);
    }
    return 0;
}

DWORD WINAPI InstanceWatchThread(void* mainWindow) {
    auto* window = static_cast<CKestanAssistantDlg*>(mainWindow);
    for (;;) {
        WaitForSingleObject(InstanceEvent, INFINITE);
        if (StopFlag != 0) {
            StopFlag = 2;
            return 0;
        }
        window->ShowFromOutside();
    }
}
