#include "device/DeviceLink.h"

#include "device/DeviceProtocol.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr uint16_t kZuVendor = 0xF17E;
constexpr uint16_t kZuProduct = 0x027B;
constexpr uint16_t kSwitchUsagePage = 0x027B;
constexpr uint16_t kReceiverVendor = 0x062A;
constexpr uint16_t kConfigReportLength = 9;

constexpr uint64_t kDeviceArrival = 0x8000;     // DBT_DEVICEARRIVAL
constexpr uint32_t kDeviceInterfaceType = 5;    // DBT_DEVTYP_DEVICEINTERFACE
constexpr size_t kBroadcastClassOffset = 12;    // after size, type, reserved
constexpr size_t kBroadcastNameOffset = 28;     // after the class GUID

// {4D1E55B2-F16F-11CF-88CB-001111000030} as it lies in the record (the first three fields little-endian).
constexpr uint8_t kHidInterfaceClass[16] = {0xB2, 0x55, 0x1E, 0x4D, 0x6F, 0xF1, 0xCF, 0x11,
                                            0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30};

char16_t FoldAscii(char16_t unit) { return unit >= u'A' && unit <= u'Z' ? char16_t(unit + (u'a' - u'A')) : unit; }

// The product string of the Kest24 family, exactly: "Kest24" in UTF-16LE and its terminator, so neither
// another letter case nor a longer name matches.
bool ReadsKest24(HidDevice& device) {
    static const uint8_t kName[] = {'K', 0, 'e', 0, 's', 0, 't', 0, '2', 0, '4', 0, 0, 0};
    uint8_t buffer[kProductStringBytes] = {};
    if (!device.GetIndexedString(kProductStringIndex, buffer, sizeof buffer)) return false;
    return std::memcmp(buffer, kName, sizeof kName) == 0;
}

// The KEVO family answers string 148 with the bytes 'K' 'E' 'V' 'O' and 0x12 in byte 5.
bool ReadsKevo(HidDevice& device) {
    std::vector<uint8_t> buffer(kVendorStringBytes, 0);
    if (!device.GetIndexedString(kVendorStringIndex, buffer.data(), buffer.size())) return false;
    return buffer[0] == 'K' && buffer[1] == 'E' && buffer[2] == 'V' && buffer[3] == 'O' && buffer[5] == 0x12;
}

// Caps and attributes that cannot be read stay zero: such an interface matches no family.
void ReadDescription(HidDevice& device, HidCaps& caps, HidAttributes& attributes) {
    if (!device.GetCaps(caps)) caps = HidCaps{};
    if (!device.GetAttributes(attributes)) attributes = HidAttributes{};
}

void ResetOne(HidDevice& device, Sleeper& sleeper, int buttonOrder) {
    HidCaps caps;
    HidAttributes attributes;
    ReadDescription(device, caps, attributes);
    if (caps.FeatureReportByteLength == kConfigReportLength) {
        const unsigned productHigh = attributes.ProductID >> 8;
        if (attributes.VendorID == kReceiverVendor && (productHigh == 0x41 || productHigh == 0x36)) {
            RunReceiverReset(device, sleeper, caps.FeatureReportByteLength);
        } else if (ReadsKest24(device)) {
            RunKest24Reset(device, sleeper, caps.FeatureReportByteLength);
        }
    } else if (caps.OutputReportByteLength > 6 && caps.InputReportByteLength > 6) {
        if (ReadsKevo(device)) RunKevoOrder(device, buttonOrder);
    }
}

uint32_t ReadLe32(const uint8_t* bytes) {
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
}

}  // namespace

bool UsableDevicePath(const DevicePath& path) { return !path.empty() && path.size() <= kMaxDevicePathUnits; }

bool IsHidInterfacePath(const DevicePath& path) {
    static const char16_t kPrefix[] = u"\\\\?\\hid#";
    const size_t length = sizeof kPrefix / sizeof kPrefix[0] - 1;
    if (path.size() < length) return false;
    for (size_t i = 0; i < length; ++i) {
        if (FoldAscii(path[i]) != kPrefix[i]) return false;
    }
    return true;
}

bool SameDevicePath(const DevicePath& a, const DevicePath& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    }
    return true;
}

ProbeOutcome ProbeDevice(HidSystem& system, Sleeper& sleeper, const DevicePath& path,
                         const std::atomic<int>& deviceMode) {
    ProbeOutcome outcome;
    if (!UsableDevicePath(path)) return outcome;
    std::unique_ptr<HidDevice> device = system.Open(path);
    if (!device) return outcome;
    outcome.opened = true;

    HidCaps caps;
    HidAttributes attributes;
    ReadDescription(*device, caps, attributes);

    if (caps.FeatureReportByteLength == kConfigReportLength) {
        const unsigned length = caps.FeatureReportByteLength;
        if (attributes.VendorID == kZuVendor && attributes.ProductID == kZuProduct) {
            outcome.family = DeviceFamily::Zu;
            RunZuSequence(*device, sleeper, length, deviceMode);
        } else if (attributes.VendorID == kZuVendor && caps.UsagePage == kSwitchUsagePage) {
            outcome.family = DeviceFamily::Switch;
            RunSwitchSequence(*device, sleeper, length, deviceMode);
        } else if (ReadsKest24(*device)) {
            outcome.family = DeviceFamily::Kest24;
            RunKest24Sequence(*device, sleeper, length, deviceMode);
        }
    }
    outcome.timedOut = device->TimedOut();
    device->CancelIo();
    return outcome;  // the handle closes here
}

ProbeOutcome ResetInterface(HidSystem& system, Sleeper& sleeper, const DevicePath& path, int buttonOrder) {
    ProbeOutcome outcome;
    if (!UsableDevicePath(path)) return outcome;
    std::unique_ptr<HidDevice> device = system.Open(path);
    if (!device) return outcome;
    outcome.opened = true;
    ResetOne(*device, sleeper, buttonOrder);
    outcome.timedOut = device->TimedOut();
    device->CancelIo();
    return outcome;
}

void ResetReceivers(HidSystem& system, Sleeper& sleeper, int buttonOrder) {
    std::vector<DevicePath> paths;
    if (!system.ListInterfacePaths(paths)) return;
    for (const DevicePath& path : paths) ResetInterface(system, sleeper, path, buttonOrder);
}

std::optional<DevicePath> DecodeDeviceArrival(uint64_t wParam, const uint8_t* record, size_t available) {
    // Other events may carry no record at all: nothing is read unless it is an arrival.
    if (wParam != kDeviceArrival || record == nullptr || available < 8) return std::nullopt;
    const size_t size = std::min<size_t>(ReadLe32(record), available);
    if (size < kBroadcastNameOffset || ReadLe32(record + 4) != kDeviceInterfaceType) return std::nullopt;
    if (std::memcmp(record + kBroadcastClassOffset, kHidInterfaceClass, sizeof kHidInterfaceClass) != 0) {
        return std::nullopt;
    }

    DevicePath name;
    for (size_t at = kBroadcastNameOffset; at + 1 < size; at += 2) {
        const char16_t unit = char16_t(record[at] | record[at + 1] << 8);
        if (unit == 0) {
            if (!UsableDevicePath(name) || !IsHidInterfacePath(name)) return std::nullopt;
            return name;
        }
        name.push_back(unit);
    }
    return std::nullopt;  // no terminator inside the record: the name may be cut
}
