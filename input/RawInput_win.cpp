#include "input/RawInput_win.h"

#include "input/Dispatcher_win.h"
#include "input/MouseHook_win.h"
#include "input/VendorReports.h"
#include "overlays/BoardDlg_win.h"
#include "overlays/CircleDlg_win.h"
#include "overlays/CursorDlg_win.h"
#include "overlays/ZuItemList_win.h"
#include "shell/AppModel_win.h"
#include "shell/ProcessState.h"
#include "switcher/ExposeDlg_win.h"
#include "tilt/TiltScroll_win.h"

#include <windowsx.h>

#include <cstddef>

namespace {

// Records of this size or more are not the mouse's: they are dropped unread.
constexpr UINT kMaxRecordBytes = 1000;

// The last button byte the mouse reported. UI thread only.
VendorInputState VendorState;

// A list opened by a button closes when a mouse button is used outside it (and outside its sub-lists).
void ClosePickerOnClickOutside(const ProgramWindows& windows) {
    ZuItemList* picker = Dialog::From<ZuItemList>(windows.picker);
    if (!picker || !picker->IsShown() || picker->Opacity() != 255) return;
    if (windows.magnifier && GetForegroundWindow() == windows.magnifier) return;
    if (picker->Mode() != 1) return;
    POINT cursor;
    GetCursorPos(&cursor);
    if (!picker->ContainsWindow(WindowFromPoint(cursor))) picker->Hide();
}

void OnMouseRecord(HRAWINPUT input, const RAWMOUSE& mouse, const ProgramWindows& windows) {
    // Raw input has no timeout: it notices a mouse hook the system has removed.
    if (mouse.usButtonFlags & (RI_MOUSE_WHEEL | RI_MOUSE_HWHEEL)) NoteRawWheel();
    EXPOSE_DLG* switcher = Dialog::From<EXPOSE_DLG>(windows.switcher);
    if (switcher && switcher->IsShown()) switcher->OnRawInput(input);
    if (BoardDlg* board = Dialog::From<BoardDlg>(windows.board)) {
        const DWORD made = GetMessagePos();  // where the cursor was when this record was made
        const POINT at{GET_X_LPARAM(made), GET_Y_LPARAM(made)};
        board->OnRawMouse(mouse.lLastX, mouse.lLastY, mouse.usButtonFlags, mouse.usButtonData, &at);
    }
    if (mouse.usButtonFlags != 0) ClosePickerOnClickOutside(windows);
}

}  // namespace

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

bool RegisterKeyboardSink(HWND target) {
    RAWINPUTDEVICE keyboard{kGenericDesktopPage, kKeyboardUsage, RIDEV_INPUTSINK, target};
    return RegisterRawInputDevices(&keyboard, 1, sizeof keyboard) != FALSE;
}

void RemoveKeyboardSink(HWND target) {
    if (!MayRemoveRegistration(RegisteredRawInput(), kGenericDesktopPage, kKeyboardUsage,
                               reinterpret_cast<std::uintptr_t>(target))) {
        return;
    }
    RAWINPUTDEVICE keyboard{kGenericDesktopPage, kKeyboardUsage, RIDEV_REMOVE, nullptr};
    RegisterRawInputDevices(&keyboard, 1, sizeof keyboard);
}

std::vector<RawDeviceEntry> RegisteredRawInput() {
    std::vector<RawDeviceEntry> entries;
    UINT count = 0;
    if (GetRegisteredRawInputDevices(nullptr, &count, sizeof(RAWINPUTDEVICE)) == UINT(-1) || count == 0) {
        return entries;
    }
    std::vector<RAWINPUTDEVICE> devices(count);
    const UINT got = GetRegisteredRawInputDevices(devices.data(), &count, sizeof(RAWINPUTDEVICE));
    if (got == UINT(-1)) return entries;
    for (UINT i = 0; i < got && i < devices.size(); ++i) {
        entries.push_back({devices[i].usUsagePage, devices[i].usUsage, devices[i].dwFlags,
                           reinterpret_cast<std::uintptr_t>(devices[i].hwndTarget)});
    }
    return entries;
}

void HandleRawInput(HRAWINPUT input, const AppModel& model, const ProgramWindows& windows) {
    UINT size = 0;
    if (GetRawInputData(input, RID_INPUT, nullptr, &size, sizeof(RAWINPUTHEADER)) != 0) return;
    if (size >= kMaxRecordBytes || size < sizeof(RAWINPUTHEADER)) return;
    alignas(RAWINPUT) uint8_t buffer[kMaxRecordBytes];
    UINT read = size;
    if (GetRawInputData(input, RID_INPUT, buffer, &read, sizeof(RAWINPUTHEADER)) != size) return;
    const auto* record = reinterpret_cast<const RAWINPUT*>(buffer);
    switch (record->header.dwType) {
    case RIM_TYPEMOUSE:
        if (size >= offsetof(RAWINPUT, data) + sizeof(RAWMOUSE)) OnMouseRecord(input, record->data.mouse, windows);
        break;
    case RIM_TYPEHID: {
        // Only the first report counts, and only when the record holds every report it claims.
        const size_t reportsAt = offsetof(RAWINPUT, data.hid.bRawData);
        if (size < reportsAt) break;
        const RAWHID& hid = record->data.hid;
        if (!HidReportsFit(hid.dwSizeHid, hid.dwCount, size - reportsAt)) break;
        HandleVendorReport(hid.bRawData, hid.dwSizeHid, model, windows);
        break;
    }
    default:
        break;
    }
}

void HandleVendorReport(const uint8_t* report, std::size_t length, const AppModel& model,
                        const ProgramWindows& windows) {
    const InputActions actions = DecodeVendorReport(VendorState, model.slots, report, length);
    for (const InputAction& a : actions) {
        switch (a.kind) {
        case InputActionKind::Run:
            RunFunctionAt(a.value, model, windows);
            break;
        case InputActionKind::Release:
            ReleaseFunctionAt(a.value, model);
            break;
        case InputActionKind::AddTilt:
            TiltSteps += a.value;
            WakeTiltScrolling();
            break;
        case InputActionKind::GestureTip:
            StartGestureTip(windows.gesture, a.value);
            break;
        }
    }
}
