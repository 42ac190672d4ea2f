#include "device/DeviceLink.h"

#include "device/DeviceProtocol.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <system_error>
#include <utility>
#include <vector>

namespace {

constexpr uint16_t kZuVendor = 0xF17E;
constexpr uint16_t kZuProduct = 0x027B;
constexpr uint16_t kSwitchUsagePage = 0x027B;
constexpr uint16_t kReceiverVendor = 0x062A;
constexpr uint16_t kConfigReportLength = 9;

constexpr uint64_t kDeviceArrival = 0x8000;     // DBT_DEVICEARRIVAL
constexpr uint32_t kDeviceInterfaceType = 5;    // DBT_DEVTYP_DEVICEINTERFACE
constexpr size_t kBroadcastNameOffset = 28;     // size, type, reserved, class GUID

bool UsablePath(const DevicePath& path) { return !path.empty() && path.size() <= kMaxDevicePathUnits; }

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
    device.CancelIo();
}

uint32_t ReadLe32(const uint8_t* bytes) {
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
}

}  // namespace

DeviceFamily ProbeDevice(HidSystem& system, Sleeper& sleeper, const DevicePath& path,
                         const std::atomic<int>& deviceMode) {
    if (!UsablePath(path)) return DeviceFamily::None;
    std::unique_ptr<HidDevice> device = system.Open(path);
    if (!device) return DeviceFamily::None;

    HidCaps caps;
    HidAttributes attributes;
    ReadDescription(*device, caps, attributes);

    DeviceFamily family = DeviceFamily::None;
    if (caps.FeatureReportByteLength == kConfigReportLength) {
        const unsigned length = caps.FeatureReportByteLength;
        if (attributes.VendorID == kZuVendor && attributes.ProductID == kZuProduct) {
            family = DeviceFamily::Zu;
            RunZuSequence(*device, sleeper, length, deviceMode);
        } else if (attributes.VendorID == kZuVendor && caps.UsagePage == kSwitchUsagePage) {
            family = DeviceFamily::Switch;
            RunSwitchSequence(*device, sleeper, length, deviceMode);
        } else if (ReadsKest24(*device)) {
            family = DeviceFamily::Kest24;
            RunKest24Sequence(*device, sleeper, length, deviceMode);
        }
    }
    device->CancelIo();
    return family;  // the handle closes here
}

void ResetReceivers(HidSystem& system, Sleeper& sleeper, int buttonOrder) {
    std::vector<DevicePath> paths;
    if (!system.ListInterfacePaths(paths)) return;
    for (const DevicePath& path : paths) {
        if (!UsablePath(path)) continue;
        if (std::unique_ptr<HidDevice> device = system.Open(path)) ResetOne(*device, sleeper, buttonOrder);
    }
}

std::optional<DevicePath> DecodeDeviceArrival(uint64_t wParam, const uint8_t* record, size_t available) {
    // Other events may carry no record at all: nothing is read unless it is an arrival.
    if (wParam != kDeviceArrival || record == nullptr || available < 8) return std::nullopt;
    const size_t size = std::min<size_t>(ReadLe32(record), available);
    if (size < kBroadcastNameOffset || ReadLe32(record + 4) != kDeviceInterfaceType) return std::nullopt;

    DevicePath name;
    for (size_t at = kBroadcastNameOffset; at + 1 < size; at += 2) {
        const char16_t unit = char16_t(record[at] | record[at + 1] << 8);
        if (unit == 0) {
            if (!UsablePath(name)) return std::nullopt;
            return name;
        }
        name.push_back(unit);
    }
    return std::nullopt;  // no terminator inside the record: the name may be cut
}

// ------------------------------------------------------------------------------------------ DeviceProber

DeviceProber::DeviceProber(HidSystem& system, Sleeper& sleeper, std::atomic<int>& deviceMode)
    : system_(system), sleeper_(sleeper), deviceMode_(deviceMode) {}

DeviceProber::~DeviceProber() {
    std::list<ProbeThread> all;
    {
        std::lock_guard<std::mutex> lock(threadsMutex_);
        all.swap(threads_);
    }
    for (ProbeThread& probe : all) probe.thread.join();
}

int DeviceProber::EnumerateAndProbeDevices() {
    std::vector<DevicePath> paths;
    if (!system_.ListInterfacePaths(paths)) return 0;
    int started = 0;
    for (DevicePath& path : paths) {
        if (StartProbe(std::move(path))) ++started;
    }
    return started;
}

bool DeviceProber::ProbeArrivedInterface(DevicePath path) { return StartProbe(std::move(path)); }

void DeviceProber::OnDeviceChange(uint64_t wParam, const uint8_t* record, size_t available) {
    if (std::optional<DevicePath> path = DecodeDeviceArrival(wParam, record, available)) {
        StartProbe(std::move(*path));
    }
}

void DeviceProber::CloseWatchDeviceWork(int buttonOrder, unsigned probeWaitMs) {
    deviceMode_.store(0, std::memory_order_relaxed);
    EnumerateAndProbeDevices();
    WaitForProbes(probeWaitMs);
    ResetReceivers(system_, sleeper_, buttonOrder);
}

bool DeviceProber::WaitForProbes(unsigned timeoutMs) {
    bool none;
    {
        std::unique_lock<std::mutex> lock(threadsMutex_);
        none = threadEnded_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return running_ == 0; });
    }
    JoinFinished();
    return none;
}

bool DeviceProber::StartProbe(DevicePath path) {
    if (!UsablePath(path)) return false;
    JoinFinished();
    std::lock_guard<std::mutex> lock(threadsMutex_);
    auto self = threads_.emplace(threads_.end());
    ++running_;
    try {
        // The new thread marks itself finished under threadsMutex_, so it cannot do so before `thread` is set.
        self->thread = std::thread(&DeviceProber::DeviceProbeThread, this, std::move(path), self);
    } catch (const std::system_error&) {
        threads_.erase(self);
        --running_;
        return false;
    }
    return true;
}

void DeviceProber::DeviceProbeThread(DevicePath path, std::list<ProbeThread>::iterator self) {
    {
        std::lock_guard<std::mutex> probe(DeviceProbeLock);
        ProbeDevice(system_, sleeper_, path, deviceMode_);
    }
    std::lock_guard<std::mutex> lock(threadsMutex_);
    self->finished = true;
    --running_;
    threadEnded_.notify_all();
}

// Threads that have ended are joined as new ones start, so a long run does not pile them up.
void DeviceProber::JoinFinished() {
    std::list<ProbeThread> done;
    {
        std::lock_guard<std::mutex> lock(threadsMutex_);
        for (auto it = threads_.begin(); it != threads_.end();) {
            auto next = std::next(it);
            if (it->finished) done.splice(done.end(), threads_, it);
            it = next;
        }
    }
    for (ProbeThread& probe : done) probe.thread.join();
}
