#include "input/VendorReports.h"

namespace {

constexpr uint8_t kGestureReport = 0x04;
constexpr uint8_t kButtonReport = 0x07;
constexpr uint8_t kTiltReport = 0x01;

// The five button bits in the order they are handled, with their slots.
struct ButtonBit {
    int bit;
    int slot;
};
constexpr ButtonBit kButtonBits[] = {{0x01, 0}, {0x02, 1}, {0x04, 2}, {0x10, 3}, {0x08, 4}};

// A report shorter than the byte asked for has no such byte: it reads as "does not match".
bool At(const uint8_t* report, std::size_t length, std::size_t index, uint8_t value) {
    return index < length && report[index] == value;
}

void AddTilt(InputActions& actions, uint8_t raw) { actions.Add(InputActionKind::AddTilt, int(int8_t(raw))); }

// New button byte: the changed bits go to the buttons.
int UpdateButtons(VendorInputState& state, uint8_t buttons) {
    const int changed = buttons ^ state.ButtonState;
    state.ButtonState = buttons;
    return changed;
}

void Gesture(InputActions& actions, const ButtonSlots& slots, const uint8_t* r, std::size_t n) {
    if (n < 4) return;
    const int d = r[3];
    if (d >= 1 && d <= 4) {
        const int f = slots.GestureFunctions[std::size_t(d - 1)];
        if (f > 0) actions.Add(InputActionKind::GestureTip, d - 1);
        actions.Add(InputActionKind::Run, f);
        actions.Add(InputActionKind::Release, f);
    } else if (d == 0 && n >= 5 && r[4] != 0x01) {
        actions.Add(InputActionKind::Run, slots.ExtraKeyFunction);
        actions.Add(InputActionKind::Release, slots.ExtraKeyFunction);
    }
}

}  // namespace

void AddButtonChanges(InputActions& actions, const ButtonSlots& slots, int buttonState, int changed) {
    for (const ButtonBit& b : kButtonBits) {
        if (!(changed & b.bit)) continue;
        const int function = slots.ButtonFunctions[std::size_t(b.slot)];
        actions.Add((buttonState & b.bit) ? InputActionKind::Run : InputActionKind::Release, function);
    }
}

InputActions DecodeVendorReport(VendorInputState& state, const ButtonSlots& slots, const uint8_t* r,
                                std::size_t n) {
    InputActions actions;
    if (!r || n == 0) return actions;

    // At most one of the first four rules applies.
    if (At(r, n, 0, kGestureReport) && At(r, n, 1, 0x64) && At(r, n, 2, 0x01)) {
        Gesture(actions, slots, r, n);
    } else if (n == 8 && r[0] == kButtonReport) {
        // Byte 7 checks bytes 1 to 6; a report that fails it changes nothing here.
        const uint8_t check = uint8_t(r[1] ^ r[2] ^ r[3] ^ r[4] ^ r[5] ^ r[6]);
        if (r[7] == check) {
            const int changed = UpdateButtons(state, r[1]);
            if (changed) AddButtonChanges(actions, slots, state.ButtonState, changed);
            if (r[4] != 0) AddTilt(actions, r[4]);
        }
    } else if (n == 35 && r[0] == kButtonReport) {
        const int changed = UpdateButtons(state, r[1]);
        AddButtonChanges(actions, slots, state.ButtonState, changed);
    } else if (At(r, n, 0, 0x00) && At(r, n, 1, 0x12) && At(r, n, 2, 0x12) && n >= 4) {
        const int changed = UpdateButtons(state, r[3]);
        AddButtonChanges(actions, slots, state.ButtonState, changed);
        if (n >= 5 && r[4] != 0) AddTilt(actions, r[4]);
    }

    // Every report then passes the tilt rules, whatever came before: 8- and 16-byte reports carry the tilt in
    // one of two places, the others in report 1.
    if (n == 8 || n == 16) {
        if (r[1] == 0x12 && r[3] == 0x03) {
            if (r[4] != 0) AddTilt(actions, r[4]);
        } else if (r[1] == 0x20) {
            if (r[2] != 0) AddTilt(actions, r[2]);
        }
    } else if (At(r, n, 0, kTiltReport) && (At(r, n, 1, 0x20) || At(r, n, 1, 0x30)) && n >= 3) {
        AddTilt(actions, r[2]);
    }
    return actions;
}

bool HidReportsFit(uint32_t sizeEach, uint32_t count, std::size_t available) {
    if (sizeEach == 0 || count == 0) return false;
    return uint64_t(sizeEach) * uint64_t(count) <= uint64_t(available);
}
