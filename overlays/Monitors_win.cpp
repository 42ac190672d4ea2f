#include "overlays/Monitors_win.h"

#include <windows.h>

namespace {

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(monitor, &info)) {
        const RECT& r = info.rcMonitor;
        reinterpret_cast<std::vector<BoardRect>*>(data)->push_back({int(r.left), int(r.top), int(r.right), int(r.bottom)});
    }
    return TRUE;
}

}  // namespace

std::vector<BoardRect> MonitorRects() {
    std::vector<BoardRect> monitors;
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
    return monitors;
}
