#pragma once
// What the device link needs from the system, kept free of any Windows type so that the probing and the
// command sequences run the same against the real HID class driver and against a simulated mouse.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The parts of the top-level collection's capabilities the link looks at.
struct HidCaps {
    uint16_t Usage = 0;
    uint16_t UsagePage = 0;
    uint16_t InputReportByteLength = 0;
    uint16_t OutputReportByteLength = 0;
    uint16_t FeatureReportByteLength = 0;
};

struct HidAttributes {
    uint16_t VendorID = 0;
    uint16_t ProductID = 0;
    uint16_t VersionNumber = 0;
};

// One opened HID interface. Destroying the object closes the handle.
//
// A request the device does not answer within the system half's time-out (a feature report or a string:
// they reach the device itself) is cancelled and fails, and the object is then timed out for good: every
// later call fails at once without reaching the device, so that a device that stopped answering costs one
// time-out, not one for each report of a sequence.
class HidDevice {
public:
    virtual ~HidDevice() = default;
    virtual bool GetCaps(HidCaps& caps) = 0;
    virtual bool GetAttributes(HidAttributes& attributes) = 0;
    // report[0] carries the report id; length is the whole report with its id byte
    virtual bool GetFeature(uint8_t* report, size_t length) = 0;
    virtual bool SetFeature(const uint8_t* report, size_t length) = 0;
    // Raw bytes of a vendor string (UTF-16LE as the device sends it), at most byteLength of them.
    virtual bool GetIndexedString(unsigned index, uint8_t* buffer, size_t byteLength) = 0;
    virtual void CancelIo() = 0;
    // True once a request timed out (see above).
    virtual bool TimedOut() const = 0;
};

// Paths are UTF-16 on Windows; the portable code keeps them as u16string.
using DevicePath = std::u16string;

class HidSystem {
public:
    virtual ~HidSystem() = default;
    // Appends the interface paths present now; false when the set of interfaces cannot be read.
    virtual bool ListInterfacePaths(std::vector<DevicePath>& paths) = 0;
    // null when the path cannot be opened
    virtual std::unique_ptr<HidDevice> Open(const DevicePath& path) = 0;
};

// Every pause between reports goes through here, so tests run on a fake clock.
class Sleeper {
public:
    virtual ~Sleeper() = default;
    virtual void Pause(unsigned milliseconds) = 0;
};
