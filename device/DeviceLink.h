#pragma once
// Finding the supported mice among the HID interfaces and configuring them. No device is kept open: each
// probe opens one interface, identifies its family, sends that family's sequence and closes it again.
// Who runs the probes, and when, is DeviceProber's (DeviceProber.h).
#include "device/HidDevice.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>

// What a probe found (and configured).
enum class DeviceFamily { None, Zu, Switch, Kest24 };

struct ProbeOutcome {
    bool opened = false;
    DeviceFamily family = DeviceFamily::None;
    // A request was not answered in time (HidDevice::TimedOut): the device stopped answering, and the rest
    // of its sequence was left out.
    bool timedOut = false;
};

// Identifies and configures one interface; an interface that cannot be opened or is of no known family is
// left alone. Ends with CancelIo and closing the handle.
ProbeOutcome ProbeDevice(HidSystem& system, Sleeper& sleeper, const DevicePath& path,
                         const std::atomic<int>& deviceMode);

// The shutdown pass for one interface: the receiver reset, the Kest24 reset or the KEVO order (told
// `buttonOrder`), whichever family it is of.
ProbeOutcome ResetInterface(HidSystem& system, Sleeper& sleeper, const DevicePath& path, int buttonOrder);

// The shutdown pass over every present interface, on the calling thread.
void ResetReceivers(HidSystem& system, Sleeper& sleeper, int buttonOrder);

// The longest path the system can open (its path limit); longer ones are never probed, as a cut path could
// name another interface.
constexpr size_t kMaxDevicePathUnits = 32767;

// Non-empty and not longer than kMaxDevicePathUnits.
bool UsableDevicePath(const DevicePath& path);

// Whether a path names a HID interface: it starts with \\?\hid# in any letter case, as the HID class
// driver's interfaces do.
bool IsHidInterfacePath(const DevicePath& path);

// Paths name the same interface whatever the letter case of their ASCII letters: the system lists
// "\\?\hid#vid_..." and announces the arrival of "\\?\HID#VID_...".
bool SameDevicePath(const DevicePath& a, const DevicePath& b);

// The interface path of a WM_DEVICECHANGE notification that asks for a probe: only DBT_DEVICEARRIVAL
// (0x8000) with a DEV_BROADCAST_DEVICEINTERFACE_W record (device type 5) of the HID interface class
// {4D1E55B2-F16F-11CF-88CB-001111000030} whose name is a HID interface path (IsHidInterfacePath). Any
// program can send the window such a record, and only HID interfaces are ever opened. `record` holds
// `available` readable bytes; the record's own size field (its first 4 bytes) bounds it further. A name
// without terminator inside the record, an empty one, or one too long to open gives nothing.
std::optional<DevicePath> DecodeDeviceArrival(uint64_t wParam, const uint8_t* record, size_t available);
