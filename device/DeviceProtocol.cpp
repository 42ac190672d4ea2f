#include "device/DeviceProtocol.h"

#include <algorithm>
#include <vector>

namespace {

constexpr int kIdleReads = 21;
constexpr int kResponseReads = 201;
constexpr unsigned kPollPauseMs = 4;
constexpr unsigned kBeforeSendPauseMs = 2;
constexpr unsigned kAfterResponsePauseMs = 3;

// The request and response buffers are 9 bytes; a longer length from the caller must not let the HID
// stack write past them.
size_t UsableLength(unsigned reportLength) {
    return std::min<size_t>(reportLength, kFeatureReportLength);
}

uint8_t ModeByte(const std::atomic<int>& deviceMode) {
    return uint8_t(deviceMode.load(std::memory_order_relaxed) & 0xFF);
}

// A read that fails counts as busy: either way the device has not answered yet.
bool ReadIdle(HidDevice& device, FeatureReport& report, size_t length) {
    report[0] = 0x00;
    return device.GetFeature(report.data(), length) && (report[1] & kBusyBit) == 0;
}

void Set(HidDevice& device, const FeatureReport& report, unsigned reportLength) {
    device.SetFeature(report.data(), UsableLength(reportLength));
}

// Two plain reports with a pause between them; the second one's byte 3 may carry the mode. A device that
// did not take the first one in time is not kept waiting for the second.
void SendPair(HidDevice& device, Sleeper& sleeper, unsigned reportLength, const FeatureReport& first,
              unsigned pauseMs, const FeatureReport& second) {
    Set(device, first, reportLength);
    if (device.TimedOut()) return;
    sleeper.Pause(pauseMs);
    Set(device, second, reportLength);
}

void ReadString(HidDevice& device, unsigned index, size_t byteLength) {
    std::vector<uint8_t> buffer(byteLength, 0);
    device.GetIndexedString(index, buffer.data(), buffer.size());
}

}  // namespace

int FeatureTransaction(HidDevice& device, Sleeper& sleeper, FeatureReport& request, FeatureReport& response,
                       unsigned reportLength, int waitMs) {
    const size_t length = UsableLength(reportLength);
    uint8_t checksum = 0;
    for (size_t i = 1; i <= 7; ++i) checksum ^= request[i];
    request[8] = checksum;

    FeatureReport scratch{};
    bool idle = false;
    for (int read = 0; read < kIdleReads; ++read) {
        if (read > 0) sleeper.Pause(kPollPauseMs);
        if (ReadIdle(device, scratch, length)) {
            idle = true;
            break;
        }
        if (device.TimedOut()) return 0;  // it will not answer the next read either
    }
    if (!idle) return 0;

    sleeper.Pause(kBeforeSendPauseMs);
    request[0] = 0x00;
    device.SetFeature(request.data(), length);
    if (device.TimedOut()) return 0;
    sleeper.Pause(unsigned(std::max(waitMs, 0)));

    // Read into a copy so that a response that never comes leaves the caller's buffer untouched.
    FeatureReport answer = response;
    for (int read = 0; read < kResponseReads; ++read) {
        if (read > 0) sleeper.Pause(kPollPauseMs);
        answer = response;
        if (ReadIdle(device, answer, length)) {
            response = answer;
            sleeper.Pause(kAfterResponsePauseMs);
            return 1;
        }
        if (device.TimedOut()) return 0;
    }
    return 0;
}

void RunZuSequence(HidDevice& device, Sleeper& sleeper, unsigned reportLength,
                   const std::atomic<int>& deviceMode) {
    FeatureReport query{};
    FeatureReport response{};
    FeatureTransaction(device, sleeper, query, response, reportLength, 10);
    // The mouse identifies itself with "ZU" in bytes 1 and 2 of its answer; a query that got no answer
    // leaves the zeros.
    if (response[1] != 0x5A || response[2] != 0x55) return;

    FeatureReport handshake{0x00, 0x00, 0x12, 0x12, 0x12, 0x12, 0x12, 0x12, 0x00};
    FeatureTransaction(device, sleeper, handshake, response, reportLength, 20);
    if (device.TimedOut()) return;

    FeatureReport mode{0x00, 0x02, ModeByte(deviceMode), 0x00, 0x01, 0x00, 0x00, 0x00, 0x00};
    FeatureTransaction(device, sleeper, mode, response, reportLength, 20);
}

void RunSwitchSequence(HidDevice& device, Sleeper& sleeper, unsigned reportLength,
                       const std::atomic<int>& deviceMode) {
    Set(device, FeatureReport{0x00, 0x00, 0x02, 0x01}, reportLength);
    if (device.TimedOut()) return;
    sleeper.Pause(4);
    Set(device, FeatureReport{0x00, 0x00, 0x03, ModeByte(deviceMode)}, reportLength);
}

void RunKest24Sequence(HidDevice& device, Sleeper& sleeper, unsigned reportLength,
                       const std::atomic<int>& deviceMode) {
    Set(device, FeatureReport{0x00, 0x07, 0x01, 0x01}, reportLength);
    if (device.TimedOut()) return;
    sleeper.Pause(10);
    Set(device, FeatureReport{0x00, 0x07, 0x02, ModeByte(deviceMode), 0x00, 0x12, 0x12, 0x12, 0x00},
        reportLength);
}

void RunReceiverReset(HidDevice& device, Sleeper& sleeper, unsigned reportLength) {
    ReadString(device, kVendorStringIndex, kVendorStringBytes);
    if (device.TimedOut()) return;
    SendPair(device, sleeper, reportLength, FeatureReport{0x00, 0x00, 0x02, 0x00}, 4,
             FeatureReport{0x00, 0x00, 0x03, 0x00});
}

void RunKest24Reset(HidDevice& device, Sleeper& sleeper, unsigned reportLength) {
    SendPair(device, sleeper, reportLength, FeatureReport{0x00, 0x07, 0x01, 0x00}, 10,
             FeatureReport{0x00, 0x07, 0x02, 0x00, 0x00, 0x12, 0x12, 0x12, 0x00});
}

unsigned KevoOrderStringIndex(int buttonOrder) {
    // Clamp the order itself, so that no order (however far out of range) can wrap the index.
    return 140u + unsigned(std::clamp(buttonOrder, 0, 5));
}

void RunKevoOrder(HidDevice& device, int buttonOrder) {
    for (unsigned index : {KevoOrderStringIndex(buttonOrder), 199u, 198u}) {
        if (device.TimedOut()) return;
        ReadString(device, index, kVendorStringBytes);
    }
}
