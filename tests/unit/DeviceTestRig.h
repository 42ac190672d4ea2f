#pragma once
// What the device link's tests share: simulated mice on one fake clock, their paths, and arrival records
// as the system delivers them.
#include "SimulatedHid.h"
#include "device/DeviceLink.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace device_test {

using Bytes = std::vector<uint8_t>;

inline DevicePath PathFor(int n) {
    std::string ascii = "\\\\?\\hid#vid_test&pid_" + std::to_string(n) + "#{4d1e55b2-f16f-11cf-88cb-001111000030}";
    return DevicePath(ascii.begin(), ascii.end());
}

// The same path as the system announces an arrival: upper case.
inline DevicePath Upper(DevicePath path) {
    for (char16_t& unit : path) {
        if (unit >= u'a' && unit <= u'z') unit = char16_t(unit - (u'a' - u'A'));
    }
    return path;
}

struct Rig {
    FakeClock clock;
    SimulatedHidSystem system;
    std::atomic<int> mode{0x18};
    std::atomic<int> order{0};
    std::vector<std::shared_ptr<SimulatedMouse>> mice;

    std::shared_ptr<SimulatedMouse> Add(MouseConfig config, DevicePath path = {}) {
        auto mouse = std::make_shared<SimulatedMouse>(clock, std::move(config));
        system.Add(path.empty() ? PathFor(int(mice.size())) : std::move(path), mouse);
        mice.push_back(mouse);
        return mouse;
    }
};

// The first and last call a probe makes on a mouse, on the shared fake clock.
inline std::pair<uint64_t, uint64_t> Span(const SimulatedMouse& mouse) {
    std::vector<HidCall> calls = mouse.Calls();
    return {calls.front().timeMs, calls.back().timeMs};
}

inline void ExpectEndsWithCancelAndClose(const SimulatedMouse& mouse) {
    std::vector<HidCall> calls = mouse.Calls();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[calls.size() - 2].kind, HidCall::Cancel);
    EXPECT_EQ(calls.back().kind, HidCall::Close);
}

// {4D1E55B2-F16F-11CF-88CB-001111000030} as it lies in a record.
constexpr uint8_t kHidClass[16] = {0xB2, 0x55, 0x1E, 0x4D, 0x6F, 0xF1, 0xCF, 0x11,
                                   0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30};

// A DEV_BROADCAST_DEVICEINTERFACE_W as the system delivers it; `stated` overrides its size field, `guid`
// (16 bytes) its interface class.
inline Bytes ArrivalRecord(const std::u16string& name, uint32_t type = 5, bool terminated = true,
                           int64_t stated = -1, const uint8_t* guid = kHidClass) {
    Bytes record(28, 0);
    std::memcpy(record.data() + 12, guid, 16);
    for (char16_t unit : name) {
        record.push_back(uint8_t(unit));
        record.push_back(uint8_t(unit >> 8));
    }
    if (terminated) record.insert(record.end(), {0, 0});
    const uint32_t size = stated >= 0 ? uint32_t(stated) : uint32_t(record.size());
    std::memcpy(record.data(), &size, 4);
    std::memcpy(record.data() + 4, &type, 4);
    return record;
}

}  // namespace device_test
