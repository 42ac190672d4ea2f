// Identifying the mouse families, the shutdown pass, arrival notifications and the probe threads.
#include "SimulatedHid.h"
#include "device/DeviceLink.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using Bytes = std::vector<uint8_t>;

DevicePath PathFor(int n) {
    std::string ascii = "\\\\?\\hid#vid_test&pid_" + std::to_string(n) + "#{4d1e55b2-f16f-11cf-88cb-001111000030}";
    return DevicePath(ascii.begin(), ascii.end());
}

struct Rig {
    FakeClock clock;
    SimulatedHidSystem system;
    std::atomic<int> mode{0x18};
    std::vector<std::shared_ptr<SimulatedMouse>> mice;

    std::shared_ptr<SimulatedMouse> Add(MouseConfig config, DevicePath path = {}) {
        auto mouse = std::make_shared<SimulatedMouse>(clock, std::move(config));
        system.Add(path.empty() ? PathFor(int(mice.size())) : std::move(path), mouse);
        mice.push_back(mouse);
        return mouse;
    }
};

// The first and last call a probe makes on a mouse, on the shared fake clock.
std::pair<uint64_t, uint64_t> Span(const SimulatedMouse& mouse) {
    std::vector<HidCall> calls = mouse.Calls();
    return {calls.front().timeMs, calls.back().timeMs};
}

void ExpectEndsWithCancelAndClose(const SimulatedMouse& mouse) {
    std::vector<HidCall> calls = mouse.Calls();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[calls.size() - 2].kind, HidCall::Cancel);
    EXPECT_EQ(calls.back().kind, HidCall::Close);
}

MouseConfig WithProductString(MouseConfig config, const std::u16string& text) {
    config.strings[120] = Utf16Bytes(text);
    return config;
}

MouseConfig WithFeatureLength(MouseConfig config, uint16_t length) {
    config.caps.FeatureReportByteLength = length;
    return config;
}

TEST(DeviceProbe, IdentifiesEachFamilyAndNothingElse) {
    MouseConfig otherPage = SwitchMouse();
    otherPage.caps.UsagePage = 0xFF12;
    MouseConfig unreadable = Kest24Mouse();
    unreadable.strings.clear();
    MouseConfig capsFail = ZuMouse();
    capsFail.unplugAfterCalls = 0;
    struct Case {
        const char* name;
        MouseConfig config;
        DeviceFamily family;
        std::vector<unsigned> strings;
        size_t sets;
    };
    const Case cases[] = {
        {"zu", ZuMouse(), DeviceFamily::Zu, {}, 3},
        {"switch", SwitchMouse(0x0301), DeviceFamily::Switch, {}, 2},
        {"f17e other page reads 120", WithProductString(otherPage, u"Kest24"), DeviceFamily::Kest24, {120}, 2},
        {"kest24 any vendor", Kest24Mouse(0x1234, 0x5678), DeviceFamily::Kest24, {120}, 2},
        {"kest24 f17e/0001", Kest24Mouse(0xF17E, 0x0001), DeviceFamily::Kest24, {120}, 2},
        {"kest24 on receiver ids", Kest24Mouse(0x062A, 0x4101), DeviceFamily::Kest24, {120}, 2},
        {"lower case", WithProductString(Kest24Mouse(), u"kest24"), DeviceFamily::None, {120}, 0},
        {"longer", WithProductString(Kest24Mouse(), u"Kest24x"), DeviceFamily::None, {120}, 0},
        {"shorter", WithProductString(Kest24Mouse(), u"Kest2"), DeviceFamily::None, {120}, 0},
        {"string fails", unreadable, DeviceFamily::None, {120}, 0},
        {"zu ids, feature 8", WithFeatureLength(ZuMouse(), 8), DeviceFamily::None, {}, 0},
        {"kest24, feature 8", WithFeatureLength(Kest24Mouse(), 8), DeviceFamily::None, {}, 0},
        {"switch, feature 10", WithFeatureLength(SwitchMouse(), 10), DeviceFamily::None, {}, 0},
        {"caps unreadable", capsFail, DeviceFamily::None, {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        auto mouse = rig.Add(c.config);
        EXPECT_EQ(ProbeDevice(rig.system, rig.clock, PathFor(0), rig.mode), c.family);
        EXPECT_EQ(mouse->StringIndices(), c.strings);
        EXPECT_EQ(mouse->Sets().size(), c.sets);
        if (c.sets == 0) {
            EXPECT_EQ(mouse->CountOf(HidCall::GetFeature), 0);
        }
        for (const HidCall& call : mouse->Calls()) {
            if (call.kind == HidCall::String) {
                EXPECT_EQ(call.length, 256u);
            }
        }
        ExpectEndsWithCancelAndClose(*mouse);
    }
}

TEST(DeviceProbe, SendsTheCurrentModeAndLeavesUnopenableInterfacesAlone) {
    Rig rig;
    auto kest = rig.Add(Kest24Mouse());
    rig.mode = 0x08;
    ProbeDevice(rig.system, rig.clock, PathFor(0), rig.mode);
    EXPECT_EQ(kest->Sets().back(), Hex("00 07 02 08 00 12 12 12 00"));

    kest->Unplug();
    EXPECT_EQ(ProbeDevice(rig.system, rig.clock, PathFor(0), rig.mode), DeviceFamily::None);
    EXPECT_EQ(ProbeDevice(rig.system, rig.clock, u"\\\\?\\no-such-interface", rig.mode), DeviceFamily::None);
    EXPECT_EQ(kest->Opens(), 1);
}

TEST(DeviceResetReceivers, ResetsReceiverKest24AndKevoFamilies) {
    MouseConfig narrowIn = KevoMouse();
    narrowIn.caps.InputReportByteLength = 6;
    MouseConfig narrowOut = KevoMouse();
    narrowOut.caps.OutputReportByteLength = 6;
    MouseConfig wrongByte5 = KevoMouse();
    wrongByte5.strings[148][5] = 0x13;
    MouseConfig lowerKevo = KevoMouse();
    lowerKevo.strings[148][0] = 'k';
    const Bytes receiverReset[] = {Hex("00 00 02 00 00 00 00 00 00"), Hex("00 00 03 00 00 00 00 00 00")};
    const Bytes kestReset[] = {Hex("00 07 01 00 00 00 00 00 00"), Hex("00 07 02 00 00 12 12 12 00")};
    struct Case {
        const char* name;
        MouseConfig config;
        int order;
        std::vector<unsigned> strings;
        std::vector<Bytes> sets;
    };
    const Case cases[] = {
        {"receiver 41xx", ReceiverMouse(0x4101), 0, {148}, {receiverReset[0], receiverReset[1]}},
        {"receiver 36xx", ReceiverMouse(0x36FF), 0, {148}, {receiverReset[0], receiverReset[1]}},
        {"receiver 40xx", ReceiverMouse(0x4001), 0, {120}, {}},
        {"receiver vendor, feature 8", WithFeatureLength(ReceiverMouse(0x4101), 8), 0, {148}, {}},
        {"kest24", Kest24Mouse(), 0, {120}, {kestReset[0], kestReset[1]}},
        {"kest24 f17e", Kest24Mouse(0xF17E, 0x027B), 0, {120}, {kestReset[0], kestReset[1]}},
        {"zu", ZuMouse(), 0, {120}, {}},
        {"kevo order 0", KevoMouse(), 0, {148, 140, 199, 198}, {}},
        {"kevo order 9", KevoMouse(), 9, {148, 145, 199, 198}, {}},
        {"kevo order 3", KevoMouse(), 3, {148, 143, 199, 198}, {}},
        {"kevo input 6", narrowIn, 0, {}, {}},
        {"kevo output 6", narrowOut, 0, {}, {}},
        {"kevo byte 5", wrongByte5, 0, {148}, {}},
        {"kevo letter case", lowerKevo, 0, {148}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        auto mouse = rig.Add(c.config);
        ResetReceivers(rig.system, rig.clock, c.order);
        EXPECT_EQ(mouse->StringIndices(), c.strings);
        EXPECT_EQ(mouse->Sets(), c.sets);
        EXPECT_EQ(mouse->CountOf(HidCall::GetFeature), 0);
        ExpectEndsWithCancelAndClose(*mouse);
    }
}

TEST(DeviceResetReceivers, WalksEveryInterfaceAndNothingWhenTheListFails) {
    Rig rig;
    auto receiver = rig.Add(ReceiverMouse(0x4101));
    auto gone = rig.Add(Kest24Mouse());
    auto kest = rig.Add(Kest24Mouse());
    gone->Unplug();
    rig.system.listFails = true;
    ResetReceivers(rig.system, rig.clock, 0);
    EXPECT_TRUE(rig.system.OpenedPaths().empty());

    rig.system.listFails = false;
    ResetReceivers(rig.system, rig.clock, 0);
    EXPECT_EQ(receiver->Sets().size(), 2u);
    EXPECT_EQ(kest->Sets().size(), 2u);
    EXPECT_TRUE(gone->Calls().empty());
}

// ------------------------------------------------------------------------------------------ arrival records

// A DEV_BROADCAST_DEVICEINTERFACE_W as the system delivers it; `stated` overrides its size field.
Bytes ArrivalRecord(const std::u16string& name, uint32_t type = 5, bool terminated = true, int64_t stated = -1) {
    Bytes record(28, 0);
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

TEST(DeviceArrivalDecoding, OnlyInterfaceArrivalsWithATerminatedNameInsideTheRecord) {
    const std::u16string name = u"\\\\?\\HID#VID_F17E&PID_027B#7&1";
    Bytes extended = ArrivalRecord(name);
    extended.insert(extended.end(), 6, 0xEE);  // bytes after the record that must not be read
    struct Case {
        const char* name;
        uint64_t wParam;
        Bytes record;
        size_t available;  // 0: the whole record
        std::optional<DevicePath> expected;
    };
    const size_t nameBytes = 2 * name.size();
    const Case cases[] = {
        {"arrival", 0x8000, ArrivalRecord(name), 0, name},
        {"removal", 0x8004, ArrivalRecord(name), 0, std::nullopt},
        {"query remove", 0x8001, ArrivalRecord(name), 0, std::nullopt},
        {"volume", 0x8000, ArrivalRecord(name, 2), 0, std::nullopt},
        {"handle", 0x8000, ArrivalRecord(name, 6), 0, std::nullopt},
        {"header only", 0x8000, ArrivalRecord(name, 5, true, 12), 0, std::nullopt},
        {"no name", 0x8000, ArrivalRecord(name, 5, true, 28), 0, std::nullopt},
        {"odd, no name", 0x8000, ArrivalRecord(name, 5, true, 29), 0, std::nullopt},
        {"empty name", 0x8000, ArrivalRecord(u""), 0, std::nullopt},
        {"terminator outside stated size", 0x8000, ArrivalRecord(name, 5, true, int64_t(28 + nameBytes)), 0,
         std::nullopt},
        {"odd stated size", 0x8000, ArrivalRecord(name, 5, true, int64_t(28 + nameBytes + 3)), 0, name},
        {"unterminated", 0x8000, ArrivalRecord(name, 5, false), 0, std::nullopt},
        {"stated beyond the bytes", 0x8000, ArrivalRecord(name, 5, false, 4096), 0, std::nullopt},
        {"trailing bytes ignored", 0x8000, extended, 0, name},
        {"shorter than a header", 0x8000, ArrivalRecord(name), 7, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const size_t available = c.available ? c.available : c.record.size();
        // Copy into a buffer of exactly `available` bytes so that the sanitizer sees any read beyond it.
        std::unique_ptr<uint8_t[]> exact(new uint8_t[available]);
        std::memcpy(exact.get(), c.record.data(), available);
        EXPECT_EQ(DecodeDeviceArrival(c.wParam, exact.get(), available), c.expected);
    }
    EXPECT_EQ(DecodeDeviceArrival(0x8000, nullptr, 64), std::nullopt);
    EXPECT_EQ(DecodeDeviceArrival(0x0007, nullptr, 0), std::nullopt);
}

TEST(DeviceArrivalDecoding, LongNamesStayWhole) {
    const DevicePath longName = u"\\\\?\\" + DevicePath(600, u'x');
    EXPECT_EQ(DecodeDeviceArrival(0x8000, ArrivalRecord(longName).data(), ArrivalRecord(longName).size()),
              longName);
    const DevicePath tooLong(kMaxDevicePathUnits + 1, u'y');
    Bytes record = ArrivalRecord(tooLong);
    EXPECT_EQ(DecodeDeviceArrival(0x8000, record.data(), record.size()), std::nullopt);
}

// ------------------------------------------------------------------------------------------ probe threads

TEST(DeviceProber, ProbesEveryInterfaceOneAtATime) {
    Rig rig;
    for (int i = 0; i < 3; ++i) rig.Add(ZuMouse());
    rig.Add(Kest24Mouse());
    rig.Add(Kest24Mouse(0xF17E, 0x0001));
    rig.Add(SwitchMouse());
    auto plain = rig.Add(WithFeatureLength(Kest24Mouse(), 8));
    DeviceProber prober(rig.system, rig.clock, rig.mode);
    EXPECT_EQ(prober.EnumerateAndProbeDevices(), 7);
    ASSERT_TRUE(prober.WaitForProbes(10000));
    for (size_t i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        ASSERT_FALSE(rig.mice[i]->Sets().empty());
        EXPECT_EQ(rig.mice[i]->Sets().back()[3 - (i < 3 ? 1 : 0)], 0x18);  // ZU carries the mode in byte 2
        ExpectEndsWithCancelAndClose(*rig.mice[i]);
    }
    EXPECT_TRUE(plain->Sets().empty());
    EXPECT_TRUE(plain->StringIndices().empty());
    EXPECT_EQ(rig.system.MaxOpenAtOnce(), 1);
}

TEST(DeviceProber, StartingProbesNeverWaitsForADevice) {
    Rig rig;
    auto mouse = rig.Add(Kest24Mouse());
    DeviceProber prober(rig.system, rig.clock, rig.mode);
    rig.system.HoldOpens();
    EXPECT_EQ(prober.EnumerateAndProbeDevices(), 1);  // returns although the probe cannot get on
    EXPECT_FALSE(prober.WaitForProbes(20));
    EXPECT_TRUE(mouse->Calls().empty());
    rig.system.ReleaseOpens();
    ASSERT_TRUE(prober.WaitForProbes(10000));
    EXPECT_EQ(mouse->Sets().size(), 2u);
}

TEST(DeviceProber, TwoArrivalsAreProbedOneAfterTheOther) {
    Rig rig;
    auto first = rig.Add(ZuMouse(), u"\\\\?\\HID#VID_F17E&PID_027B&MI_00#1");
    auto second = rig.Add(ZuMouse(), u"\\\\?\\HID#VID_F17E&PID_027B&MI_01#1");
    DeviceProber prober(rig.system, rig.clock, rig.mode);
    Bytes a = ArrivalRecord(u"\\\\?\\HID#VID_F17E&PID_027B&MI_00#1");
    Bytes b = ArrivalRecord(u"\\\\?\\HID#VID_F17E&PID_027B&MI_01#1");
    prober.OnDeviceChange(0x8000, a.data(), a.size());
    prober.OnDeviceChange(0x8000, b.data(), b.size());
    ASSERT_TRUE(prober.WaitForProbes(10000));
    EXPECT_EQ(first->Sets().size(), 3u);
    EXPECT_EQ(second->Sets().size(), 3u);
    auto [a0, a1] = Span(*first);
    auto [b0, b1] = Span(*second);
    EXPECT_TRUE(a1 <= b0 || b1 <= a0) << a0 << "-" << a1 << " / " << b0 << "-" << b1;
    EXPECT_EQ(rig.system.MaxOpenAtOnce(), 1);
}

TEST(DeviceProber, RemovalAndOtherEventsSendNothing) {
    Rig rig;
    auto mouse = rig.Add(ZuMouse(), u"\\\\?\\HID#ZU#1");
    DeviceProber prober(rig.system, rig.clock, rig.mode);
    Bytes record = ArrivalRecord(u"\\\\?\\HID#ZU#1");
    for (uint64_t event : {0x8004u, 0x8001u, 0x0007u, 0x0018u}) prober.OnDeviceChange(event, record.data(), record.size());
    ASSERT_TRUE(prober.WaitForProbes(10000));
    EXPECT_TRUE(rig.system.OpenedPaths().empty());
    EXPECT_TRUE(mouse->Calls().empty());
}

TEST(DeviceProber, LongPathsAreOpenedWholeAndOverlongOnesNever) {
    Rig rig;
    const DevicePath longPath = u"\\\\?\\HID#" + DevicePath(700, u'7');
    const DevicePath overlong = u"\\\\?\\HID#" + DevicePath(kMaxDevicePathUnits, u'8');
    auto mouse = rig.Add(Kest24Mouse(), longPath);
    auto unreachable = rig.Add(Kest24Mouse(), overlong);
    DeviceProber prober(rig.system, rig.clock, rig.mode);
    EXPECT_EQ(prober.EnumerateAndProbeDevices(), 1);
    EXPECT_FALSE(prober.ProbeArrivedInterface(overlong));
    EXPECT_FALSE(prober.ProbeArrivedInterface(DevicePath()));
    ASSERT_TRUE(prober.WaitForProbes(10000));
    EXPECT_EQ(rig.system.OpenedPaths(), std::vector<DevicePath>{longPath});
    EXPECT_EQ(mouse->Sets().size(), 2u);
    EXPECT_TRUE(unreachable->Calls().empty());
}

TEST(DeviceProber, CloseWatchSendsModeZeroThenResets) {
    Rig rig;
    auto zu = rig.Add(ZuMouse());
    auto kest = rig.Add(Kest24Mouse());
    auto receiver = rig.Add(ReceiverMouse(0x4101));
    auto kevo = rig.Add(KevoMouse());
    DeviceProber prober(rig.system, rig.clock, rig.mode);
    prober.CloseWatchDeviceWork(3);
    ASSERT_TRUE(prober.WaitForProbes(10000));
    EXPECT_EQ(rig.mode.load(), 0);
    EXPECT_EQ(zu->Sets().back(), Hex("00 02 00 00 01 00 00 00 03"));
    // The same shutdown's configuration always comes before the reset.
    EXPECT_EQ(kest->Sets(), (std::vector<Bytes>{Hex("00 07 01 01 00 00 00 00 00"), Hex("00 07 02 00 00 12 12 12 00"),
                                                Hex("00 07 01 00 00 00 00 00 00"), Hex("00 07 02 00 00 12 12 12 00")}));
    EXPECT_EQ(receiver->StringIndices(), (std::vector<unsigned>{120, 148}));
    EXPECT_EQ(receiver->Sets(), (std::vector<Bytes>{Hex("00 00 02 00 00 00 00 00 00"), Hex("00 00 03 00 00 00 00 00 00")}));
    EXPECT_EQ(kevo->StringIndices(), (std::vector<unsigned>{148, 143, 199, 198}));
    EXPECT_TRUE(kevo->Sets().empty());
}

TEST(DeviceProber, DestructionWaitsForTheProbesItStarted) {
    Rig rig;
    for (int i = 0; i < 4; ++i) rig.Add(ZuMouse());
    {
        DeviceProber prober(rig.system, rig.clock, rig.mode);
        prober.EnumerateAndProbeDevices();
        prober.EnumerateAndProbeDevices();
    }
    for (const auto& mouse : rig.mice) {
        EXPECT_EQ(mouse->Sets().size(), 6u);
        EXPECT_EQ(mouse->Opens(), 2);
    }
}

}  // namespace
