#pragma once
// The test builds' channel into the running program: there is no vendor HID device under Wine, so the
// end-to-end tests hand the program report bytes (exactly as a raw-input record would carry them) and
// function numbers to run or release, with WM_COPYDATA to the settings window. Only builds with
// ORVEL_TEST_HOOKS answer it; the product has no handler and none of these names.
#include <cstdint>

inline constexpr unsigned long kTestChannelData = 0x4F525654;  // COPYDATASTRUCT.dwData
inline constexpr char kTestChannelTag[16] = "ORVEL-TEST-CHAN";

enum TestChannelKind : uint32_t {
    kChannelReport = 1,
    kChannelRun = 2,
    kChannelRelease = 3,
    kChannelDropHook = 4,  // the mouse hook goes, as the system removes one that timed out too often
    kChannelResume = 5,    // what a resume from sleep or a session unlock does
    kChannelStalls = 6,    // traces the message loop's longest turns since the last time ("loop-stalls ...")
    // A display change as if the desktop now had the monitors in `bytes` (`length` of them, at most 4, each
    // four int32: left, top, right, bottom); Wine here cannot change its displays.
    kChannelDisplayChange = 7,
    kChannelBusy = 8,  // the UI thread does nothing else for `function` milliseconds (input waits meanwhile)
    // The switcher takes the monitors in `bytes` (as for kChannelDisplayChange) for the display's from now on;
    // none: the display's own again. No display change is announced.
    kChannelMonitors = 9,
    kChannelRawInput = 10,  // traces the process's raw-input registrations ("raw-input-devices ...")
    kChannelObjects = 11,   // traces the GDI objects and windows the process holds ("objects gdi=N user=N ...")
    // Every shown top-level window of the program gets WM_DPICHANGED for the DPI `function`, as if the monitor
    // under it had changed its scale (Wine here has one DPI, fixed when its server starts). The suggested
    // rectangle keeps the window's top left and scales its size by `function` / the int32 in `bytes` (the DPI it
    // is at; 0 or no bytes: what the system says).
    kChannelDpiChange = 12,
};

struct TestChannelMessage {
    char tag[16];
    uint32_t kind;
    int32_t function;  // kChannelRun, kChannelRelease; kChannelBusy: milliseconds
    uint32_t length;   // kChannelReport: bytes used
    uint8_t bytes[64];
};
