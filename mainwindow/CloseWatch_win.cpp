#include "mainwindow/CloseWatch_win.h"

#include "device/DeviceLink_win.h"
#include "mainwindow/KestanAssistantDlg_win.h"
#include "shell/AppModel_win.h"
#include "shell/ProcessState.h"
#include "shell/SingleInstance_win.h"

DWORD WINAPI CloseWatchThread(void* mainWindow) {
    auto* window = static_cast<CKestanAssistantDlg*>(mainWindow);
    WaitForSingleObject(CloseEvent, INFINITE);
    DeviceMode = 0;
    StopFlag = 1;
    // Mode 0 to every supported mouse, then the reset pass for the families that need one.
    CloseWatchDeviceWork(Slots.ButtonOrder);
    Sleep(400);
    window->EndDialog(IDCANCEL);
    return 0;
}
