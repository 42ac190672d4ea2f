#include "shell/Version_win.h"

#include "shell/Catalogue.h"

#include <windows.h>

static_assert(sizeof(OSVERSIONINFOEXW) == 284, "the extended version record is 284 bytes");

bool ReportsVersion62OrLater() {
    OSVERSIONINFOEXW info;
    ZeroMemory(&info, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
    BOOL ok = GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info));
    return IsVersion62OrLater(ok != FALSE, info.dwMajorVersion, info.dwMinorVersion);
}
