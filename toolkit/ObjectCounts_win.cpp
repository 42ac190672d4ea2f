#include "toolkit/ObjectCounts_win.h"

#if defined(ORVEL_TEST_HOOKS)
#include <windows.h>

#include <cstdio>

namespace {

// Wine hands out GDI handles as small indexes into a table of 65536 entries (the high word, a generation,
// may be left out). On Windows the loop finds the same objects under other numbers or none: it is used only
// where GetGuiResources says nothing.
unsigned GdiObjectsByTable() {
    unsigned count = 0;
    for (ULONG_PTR index = 1; index < 0x10000; ++index) {
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(index))) ++count;
    }
    return count;
}

BOOL CALLBACK CountChild(HWND, LPARAM counter) {
    ++*reinterpret_cast<unsigned*>(counter);
    return TRUE;
}

BOOL CALLBACK CountOurs(HWND hwnd, LPARAM counter) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == GetCurrentProcessId()) {
        ++*reinterpret_cast<unsigned*>(counter);
        EnumChildWindows(hwnd, CountChild, counter);
    }
    return TRUE;
}

}  // namespace

std::string ObjectCountSummary() {
    unsigned gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    unsigned user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    const bool system = gdi != 0;
    if (!system) {
        gdi = GdiObjectsByTable();
        user = 0;
        EnumWindows(CountOurs, reinterpret_cast<LPARAM>(&user));
    }
    char text[96];
    std::snprintf(text, sizeof text, "gdi=%u user=%u from=%s", gdi, user, system ? "system" : "table");
    return text;
}
#endif
