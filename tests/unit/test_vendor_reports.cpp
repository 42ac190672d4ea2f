// Golden report streams: each row is a report as the mouse sends it and the actions it must cause, fed in
// order to one decoder so that the button byte carries from row to row.
#include "input/VendorReports.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

namespace {

constexpr int kBt0 = 20, kBt1 = 21, kBt2 = 22, kBt3 = 23, kBt4 = 24;  // distinct stand-in functions
constexpr int kUp = 5, kDown = 6, kLeft = 0, kRight = 8, kExtra = 9;

ButtonSlots Slots() {
    ButtonSlots s;
    s.ButtonFunctions = {kBt0, kBt1, kBt2, kBt3, kBt4};
    s.GestureFunctions = {kUp, kDown, kLeft, kRight};
    s.ExtraKeyFunction = kExtra;
    return s;
}

InputAction Press(int f) { return {InputActionKind::Run, f}; }
InputAction Rel(int f) { return {InputActionKind::Release, f}; }
InputAction Tilt(int t) { return {InputActionKind::AddTilt, t}; }
InputAction Tip(int d) { return {InputActionKind::GestureTip, d}; }

struct Row {
    const char* what;
    std::vector<uint8_t> report;
    std::vector<InputAction> actions;
    int buttonsAfter;
};

// Report 7 of 8 bytes with its check byte.
std::vector<uint8_t> R7(uint8_t buttons, uint8_t b2 = 0, uint8_t tilt = 0, bool badCheck = false) {
    std::vector<uint8_t> r = {0x07, buttons, b2, 0, tilt, 0, 0, 0};
    r[7] = uint8_t(r[1] ^ r[2] ^ r[3] ^ r[4] ^ r[5] ^ r[6]);
    if (badCheck) r[7] ^= 0xFF;
    return r;
}

std::vector<uint8_t> R7Long(uint8_t buttons) {
    std::vector<uint8_t> r(35, 0);
    r[0] = 0x07;
    r[1] = buttons;
    return r;
}

void Play(const std::vector<Row>& rows) {
    VendorInputState state;
    ButtonSlots slots = Slots();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        InputActions got = DecodeVendorReport(state, slots, row.report.data(), row.report.size());
        EXPECT_EQ(std::vector<InputAction>(got.begin(), got.end()), row.actions);
        EXPECT_EQ(state.ButtonState, row.buttonsAfter);
    }
}

TEST(VendorReports, ButtonsPressAndReleaseInTheirOrder) {
    Play({
        {"bt3 down", R7(0x10), {Press(kBt3)}, 0x10},
        {"the same byte again: nothing", R7(0x10), {}, 0x10},
        {"bt3 up", R7(0x00), {Rel(kBt3)}, 0x00},
        {"bt0 and bt4 down", R7(0x09), {Press(kBt0), Press(kBt4)}, 0x09},
        // 0x09 -> 0x18: bt0 released before bt3 pressed; bt4 held.
        {"bt0 up, bt3 down", R7(0x18), {Rel(kBt0), Press(kBt3)}, 0x18},
        {"all five and the spare bits", R7(0xFF), {Press(kBt0), Press(kBt1), Press(kBt2)}, 0xFF},
        {"all up: 0x10 before 0x08", R7(0x00), {Rel(kBt0), Rel(kBt1), Rel(kBt2), Rel(kBt3), Rel(kBt4)}, 0x00},
        {"the spare bits alone do nothing", R7(0xE0), {}, 0xE0},
        {"a 35-byte report 7", R7Long(0x10), {Press(kBt3)}, 0x10},
    });
}

TEST(VendorReports, TheCheckByteGuardsReport7ButNotTheTiltRule) {
    Play({
        {"bad check: neither buttons nor tilt of rule 2", R7(0x10, 0, 5, true), {}, 0x00},
        // 07 01 00 00 00 00 00 00: the check should be 0x01.
        {"07 01 00 .. 00", {0x07, 0x01, 0, 0, 0, 0, 0, 0}, {}, 0x00},
        {"good check with a tilt of 3", R7(0x00, 0, 3), {Tilt(3)}, 0x00},
        {"a tilt of -2 (0xFE)", R7(0x00, 0, 0xFE), {Tilt(-2)}, 0x00},
        // Byte 1 = 0x20 in an 8-byte report is rule 7's second place: its byte 2 counts, even with a bad check.
        {"07 20 04 .. bad check", R7(0x20, 0x04, 0, true), {Tilt(4)}, 0x00},
    });
}

TEST(VendorReports, GesturesAndTheExtraKey) {
    Play({
        {"gesture down", {0x04, 0x64, 0x01, 0x02, 0x00}, {Tip(1), Press(kDown), Rel(kDown)}, 0},
        {"gesture left is 'No function': no indicator, run and release of 0",
         {0x04, 0x64, 0x01, 0x03}, {Press(kLeft), Rel(kLeft)}, 0},
        {"gesture right", {0x04, 0x64, 0x01, 0x04}, {Tip(3), Press(kRight), Rel(kRight)}, 0},
        {"extra key", {0x04, 0x64, 0x01, 0x00, 0x00}, {Press(kExtra), Rel(kExtra)}, 0},
        {"04 64 01 00 01: nothing", {0x04, 0x64, 0x01, 0x00, 0x01}, {}, 0},
        {"direction 5: nothing", {0x04, 0x64, 0x01, 0x05}, {}, 0},
        {"a cut gesture report: nothing", {0x04, 0x64, 0x01}, {}, 0},
        {"extra key without its fifth byte: nothing", {0x04, 0x64, 0x01, 0x00}, {}, 0},
    });
}

TEST(VendorReports, Report0AndTheTiltReports) {
    Play({
        {"00 12 12: buttons from byte 3", {0x00, 0x12, 0x12, 0x10, 0x00}, {Press(kBt3)}, 0x10},
        // 8 bytes: rule 4 adds byte 4, then rule 7 (byte 1 = 0x12, byte 3 = 0x03) adds it again.
        {"00 12 12 03 02 in 8 bytes: two tilts", {0x00, 0x12, 0x12, 0x03, 0x02, 0, 0, 0},
         {Press(kBt0), Press(kBt1), Rel(kBt3), Tilt(2), Tilt(2)}, 0x03},
        {"the same in 16 bytes", {0x00, 0x12, 0x12, 0x03, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {Tilt(-1), Tilt(-1)},
         0x03},
        {"report 1 with 0x20 adds byte 2, also 0", {0x01, 0x20, 0x00}, {Tilt(0)}, 0x03},
        {"report 1 with 0x30", {0x01, 0x30, 0x05, 0x00}, {Tilt(5)}, 0x03},
        {"report 1 with 0x31: nothing", {0x01, 0x31, 0x05}, {}, 0x03},
        {"an 8-byte report 1 goes to rule 7, not 8", {0x01, 0x30, 0x05, 0, 0, 0, 0, 0}, {}, 0x03},
        {"unknown layout", {0x09, 0x12, 0x00, 0x03, 0x07, 0, 0, 0}, {Tilt(7)}, 0x03},
        {"a single byte", {0x07}, {}, 0x03},
    });
}

TEST(VendorReports, NothingIsReadPastTheReport) {
    VendorInputState state;
    ButtonSlots slots = Slots();
    // Every prefix of reports that match a rule when whole: the decoder must never read beyond `length`
    // (AddressSanitizer watches the heap copies) and must not act on a byte it does not have.
    for (std::vector<uint8_t> whole : {std::vector<uint8_t>{0x04, 0x64, 0x01, 0x00, 0x00},
                                       std::vector<uint8_t>{0x00, 0x12, 0x12, 0x10, 0x05},
                                       std::vector<uint8_t>{0x01, 0x20, 0x07}}) {
        for (std::size_t n = 0; n < whole.size(); ++n) {
            std::vector<uint8_t> cut(whole.begin(), whole.begin() + std::ptrdiff_t(n));
            InputActions a = DecodeVendorReport(state, slots, cut.empty() ? nullptr : cut.data(), n);
            for (const InputAction& x : a) EXPECT_NE(x.kind, InputActionKind::AddTilt) << n;
        }
    }
}

TEST(VendorReports, RawRecordsMustHoldWhatTheyClaim) {
    EXPECT_TRUE(HidReportsFit(8, 1, 8));
    EXPECT_TRUE(HidReportsFit(8, 2, 20));
    EXPECT_FALSE(HidReportsFit(8, 2, 15));
    EXPECT_FALSE(HidReportsFit(0, 1, 100));
    EXPECT_FALSE(HidReportsFit(8, 0, 100));
    EXPECT_FALSE(HidReportsFit(0x80000000u, 0x80000000u, 1000));  // no wrap-around
}

}  // namespace
