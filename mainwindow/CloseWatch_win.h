#pragma once
// The close-watch thread: started once by the settings window's initialisation, it waits for a close
// request ("qvmouseeventtouch_close", pulsed by Exit and by a start with "/close"), gives the mice back
// their own button meaning, and ends the settings window - from its own thread, which EndDialog allows.
#include <windows.h>

DWORD WINAPI CloseWatchThread(void* mainWindow);
