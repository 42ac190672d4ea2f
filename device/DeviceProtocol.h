#pragma once
// The feature reports the supported mouse families understand, byte by byte, and the pauses between them.
// All reports are 9 bytes with report id 0.
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "device/HidDevice.h"

constexpr unsigned kFeatureReportLength = 9;
using FeatureReport = std::array<uint8_t, kFeatureReportLength>;

// Bit 7 of byte 1 of a report read from a ZU-family device: still working on the previous request.
constexpr uint8_t kBusyBit = 0x80;

constexpr unsigned kProductStringIndex = 120;  // "Kest24"
constexpr unsigned kVendorStringIndex = 148;   // receiver handshake, and the "KEVO" signature
constexpr size_t kProductStringBytes = 256;
constexpr size_t kVendorStringBytes = 2048;

// One checksummed request/response exchange; byte 8 of request becomes the XOR of bytes 1..7.
// 1 when a response was read, 0 when the device stayed busy.
int FeatureTransaction(HidDevice& device, Sleeper& sleeper, FeatureReport& request, FeatureReport& response,
                       unsigned reportLength, int waitMs);

// Configuration; the mode is read when each report is built.
void RunZuSequence(HidDevice& device, Sleeper& sleeper, unsigned reportLength, const std::atomic<int>& deviceMode);
void RunSwitchSequence(HidDevice& device, Sleeper& sleeper, unsigned reportLength,
                       const std::atomic<int>& deviceMode);
void RunKest24Sequence(HidDevice& device, Sleeper& sleeper, unsigned reportLength,
                       const std::atomic<int>& deviceMode);

// Shutdown.
void RunReceiverReset(HidDevice& device, Sleeper& sleeper, unsigned reportLength);
void RunKest24Reset(HidDevice& device, Sleeper& sleeper, unsigned reportLength);
// The string index the order is told with: 140 + buttonOrder, kept within 140..145.
unsigned KevoOrderStringIndex(int buttonOrder);
void RunKevoOrder(HidDevice& device, int buttonOrder);
