#include "shell/Version_win.h"

#include "shell/Catalogue.h"

#include <windows.h>

bool ReportsVersion62OrLater() {
    OSVERSIONINFOEXW info;
    ZeroMemory(&info, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
    BOOL ok = GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info));
    return IsVersion62OrLater(ok != FALSE, info.dwMajorVersion, info.dwMinorVersion);
}
