// Identifying the mouse families, the shutdown pass and arrival notifications.
#include "DeviceTestRig.h"

namespace {

using namespace device_test;

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
        EXPECT_EQ(ProbeDevice(rig.system, rig.clock, PathFor(0), rig.mode).family, c.family);
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
    EXPECT_FALSE(ProbeDevice(rig.system, rig.clock, PathFor(0), rig.mode).opened);
    EXPECT_FALSE(ProbeDevice(rig.system, rig.clock, u"\\\\?\\no-such-interface", rig.mode).opened);
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
    const DevicePath longName = u"\\\\?\\hid#" + DevicePath(600, u'x');
    Bytes record = ArrivalRecord(longName);
    EXPECT_EQ(DecodeDeviceArrival(0x8000, record.data(), record.size()), longName);
    const DevicePath longest = u"\\\\?\\hid#" + DevicePath(kMaxDevicePathUnits - 8, u'y');
    record = ArrivalRecord(longest);
    EXPECT_EQ(DecodeDeviceArrival(0x8000, record.data(), record.size()), longest);
    const DevicePath tooLong = longest + u"y";
    record = ArrivalRecord(tooLong);
    EXPECT_EQ(DecodeDeviceArrival(0x8000, record.data(), record.size()), std::nullopt);
}

// Any program can send the window an arrival: only a HID interface's, by class and by path, is probed.
TEST(DeviceArrivalDecoding, OnlyHidInterfacesByClassAndPath) {
    uint8_t otherClass[16];
    std::memcpy(otherClass, kHidClass, 16);
    otherClass[15] ^= 0x01;  // {4D1E55B2-F16F-11CF-88CB-001111000031}
    uint8_t volumeClass[16] = {0x07, 0x63, 0xF5, 0x53, 0xBF, 0xB6, 0xD0, 0x11,
                               0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B};  // GUID_DEVINTERFACE_VOLUME
    const uint8_t zeroClass[16] = {};
    struct Case {
        const char* name;
        std::u16string path;
        const uint8_t* guid;
        bool probed;
    };
    const std::u16string hid = u"\\\\?\\HID#VID_F17E&PID_027B&MI_01#7&2a6c3f&0&0000#{4d1e55b2}";
    const Case cases[] = {
        {"hid", hid, kHidClass, true},
        {"lower case", u"\\\\?\\hid#vid_f17e&pid_027b#1", kHidClass, true},
        {"mixed case", u"\\\\?\\hId#x", kHidClass, true},
        {"prefix alone", u"\\\\?\\HID#", kHidClass, true},
        {"another class", hid, otherClass, false},
        {"volume class", hid, volumeClass, false},
        {"no class", hid, zeroClass, false},
        {"usb path", u"\\\\?\\USB#VID_F17E&PID_027B#1", kHidClass, false},
        {"dot prefix", u"\\\\.\\HID#VID_F17E&PID_027B#1", kHidClass, false},
        {"no separator", u"\\\\?\\HIDVID_F17E", kHidClass, false},
        {"cut prefix", u"\\\\?\\HID", kHidClass, false},
        {"leading space", u" \\\\?\\HID#1", kHidClass, false},
        {"plain file", u"C:\\hid#1", kHidClass, false},
        {"pipe", u"\\\\?\\pipe\\hid#1", kHidClass, false},
        {"not ascii fold", u"\\\\?\\H\u0130D#1", kHidClass, false},  // a dotted capital I is not 'i'
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes record = ArrivalRecord(c.path, 5, true, -1, c.guid);
        std::optional<DevicePath> decoded = DecodeDeviceArrival(0x8000, record.data(), record.size());
        EXPECT_EQ(decoded.has_value(), c.probed);
        if (decoded) {
            EXPECT_EQ(*decoded, c.path);
        }
    }
}

TEST(DevicePaths, HidInterfacePathsAndTheirLetterCase) {
    EXPECT_TRUE(IsHidInterfacePath(u"\\\\?\\hid#vid_1"));
    EXPECT_TRUE(IsHidInterfacePath(u"\\\\?\\HID#VID_1"));
    EXPECT_FALSE(IsHidInterfacePath(u"\\\\?\\hid"));
    EXPECT_FALSE(IsHidInterfacePath(u""));
    EXPECT_FALSE(IsHidInterfacePath(u"\\\\?\\hidd#"));

    EXPECT_TRUE(SameDevicePath(u"\\\\?\\hid#vid_f17e&pid_027b#7&1", u"\\\\?\\HID#VID_F17E&PID_027B#7&1"));
    EXPECT_FALSE(SameDevicePath(u"\\\\?\\hid#vid_f17e#1", u"\\\\?\\hid#vid_f17e#2"));
    EXPECT_FALSE(SameDevicePath(u"\\\\?\\hid#a", u"\\\\?\\hid#ab"));
    EXPECT_FALSE(SameDevicePath(u"\\\\?\\hid#\u00e9", u"\\\\?\\hid#\u00c9"));  // only ASCII letters fold
    EXPECT_FALSE(SameDevicePath(u"\\\\?\\hid#[", u"\\\\?\\hid#{"));            // 0x5B and 0x7B are no pair
}

}  // namespace
