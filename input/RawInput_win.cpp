#include "input/RawInput_win.h"

bool RegisterRawInput(HWND target) {
    struct Collection {
        USHORT usagePage;
        USHORT usage;
    };
    static const Collection kCollections[] = {
        {0x0001, 0x0002},  // the mouse
        {0xFF12, 0x0001},  // the vendor collections of the supported mouse families
        {0xFF29, 0x0001},
        {0xFF31, 0x0001},
        {0xFF18, 0x0001},
    };
    RAWINPUTDEVICE entries[ARRAYSIZE(kCollections)];
    for (size_t i = 0; i < ARRAYSIZE(kCollections); ++i) {
        entries[i].usUsagePage = kCollections[i].usagePage;
        entries[i].usUsage = kCollections[i].usage;
        entries[i].dwFlags = RIDEV_INPUTSINK;
        entries[i].hwndTarget = target;
    }
    return RegisterRawInputDevices(entries, ARRAYSIZE(entries), sizeof(RAWINPUTDEVICE)) != FALSE;
}
