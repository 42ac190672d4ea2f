#pragma once
// What the mouse's vendor input reports mean: presses and releases of the five assignable buttons, the four
// touch gestures and the extra key, and tilt-wheel steps. A pure decision from the report's bytes and the
// last button byte to a short list of actions, in the order they are to be carried out; nothing is
// allocated, because every report of the mouse passes through here on the UI thread.
#include "shell/Catalogue.h"

#include <array>
#include <cstddef>
#include <cstdint>

enum class InputActionKind : uint8_t {
    Run,          // run the function `value` (a catalogue position; anything else does nothing)
    Release,      // release it
    AddTilt,      // add `value` (a signed byte) to TiltSteps, then wake the tilt thread
    GestureTip,   // show the gesture indicator in direction `value` (0 up, 1 down, 2 left, 3 right)
};

struct InputAction {
    InputActionKind kind;
    int value;
    bool operator==(const InputAction& o) const { return kind == o.kind && value == o.value; }
};

// At most five buttons change at once, plus two tilt additions, or a gesture's three actions.
struct InputActions {
    std::array<InputAction, 12> items{};
    int count = 0;
    void Add(InputActionKind kind, int value) {
        if (count < int(items.size())) items[std::size_t(count++)] = InputAction{kind, value};
    }
    const InputAction* begin() const { return items.data(); }
    const InputAction* end() const { return items.data() + count; }
};

// The button byte the mouse reported last: bit 0x01 = bt0, 0x02 = bt1, 0x04 = bt2, 0x10 = bt3, 0x08 = bt4.
struct VendorInputState {
    int ButtonState = 0;
};

// One vendor input report (byte 0 is the report id) of `length` bytes, as the raw-input record gave it.
InputActions DecodeVendorReport(VendorInputState& state, const ButtonSlots& slots, const uint8_t* report,
                                std::size_t length);

// The buttons whose bits are in `changed`, in the order 0x01, 0x02, 0x04, 0x10, 0x08: run when now pressed
// (set in `buttonState`), released when not. Bits 0x20, 0x40 and 0x80 have no button.
void AddButtonChanges(InputActions& actions, const ButtonSlots& slots, int buttonState, int changed);

// Whether the HID part of a raw-input record holds what it claims: `count` reports of `sizeEach` bytes
// within the `available` bytes after its header. A record claiming more (or reports of 0 bytes) is ignored.
bool HidReportsFit(uint32_t sizeEach, uint32_t count, std::size_t available);
