#pragma once
// What running a function means: the decision for a catalogue position (a key combination, a shell command,
// the window switcher, a board mode, a group's list at the pointer) and the keyboard events of a key
// combination. The Windows half carries the decision out.
#include "overlays/BoardMode.h"
#include "shell/Catalogue.h"

#include <array>
#include <cstddef>
#include <cstdint>

enum class DispatchKind {
    Nothing,
    OpenGroup,      // the group's list at the pointer (groupId)
    RaiseBoard,     // the board is shown: keep it on top, start nothing
    StartOverview,  // the window switcher, on a thread of its own
    MyComputer,
    ShowDesktop,
    Calculator,
    Keys,           // keys: the events to send, one by one
    ToggleBoard,    // open the board in boardMode, or close it
};

// One keyboard event: a virtual key or a scan code, and KEYEVENTF_* flags.
struct KeyEvent {
    uint16_t vk = 0;
    uint16_t scan = 0;
    uint32_t flags = 0;
    bool operator==(const KeyEvent& o) const { return vk == o.vk && scan == o.scan && flags == o.flags; }
};

constexpr uint32_t kKeyExtended = 0x0001;  // KEYEVENTF_EXTENDEDKEY
constexpr uint32_t kKeyUp = 0x0002;        // KEYEVENTF_KEYUP
constexpr uint32_t kKeyScanCode = 0x0008;  // KEYEVENTF_SCANCODE

// A combination is up to eight modifiers and the key; a whole stroke is a combination down and up again.
struct KeyEvents {
    std::array<KeyEvent, 18> items{};
    int count = 0;
    const KeyEvent* begin() const { return items.data(); }
    const KeyEvent* end() const { return items.data() + count; }
};

// The modifiers of `mask` in bit order 0x01 .. 0x80 (each as its scan code), then the key: a virtual key, or
// with `scanForm` a scan code whose non-zero high byte marks an extended key. `press` false makes every event
// a key-up; the order stays the same (modifiers before the key).
KeyEvents KeyComboEvents(int mask, unsigned key, bool press, bool scanForm);

struct DispatchDecision {
    DispatchKind kind = DispatchKind::Nothing;
    int groupId = 0;
    BoardMode boardMode = BoardMode::Off;
    KeyEvents keys;  // Keys: for a press the whole stroke (down, then up); for a release the key-ups again
};

// What the switcher and the board look like right now, as far as the dispatcher cares.
struct DispatchContext {
    bool boardVisible = false;
    bool switcherVisible = false;
    bool overviewBusy = false;  // an overview is being started
};

// A press of the function at `position`. Anything outside the catalogue does nothing.
DispatchDecision DecideRun(const FunctionCatalogueModel& catalogue, int position, const DispatchContext& context);

// The release: only key functions do anything (their key-ups once more); the entry's kind is not looked at.
DispatchDecision DecideRelease(const FunctionCatalogueModel& catalogue, int position);

// A choice in a group's list that a button opened runs for the window that was in front when the list opened;
// that window gets the foreground back first (the list took it). Key strokes go to the focus of the foreground
// thread, and another program's window becomes active in that program's own time: its thread takes the
// activation when it next looks at its messages, and until then the keys reach none of its windows (Wine drops
// them). So the keys wait until the window meant is active with a focus, looked at every kGroupKeysCheckMs on
// the UI thread's timer, never longer than kGroupKeysBoundMs: an application that does not answer by then gets
// them anyway, queued as Windows would queue them for a busy foreground thread.
constexpr unsigned kGroupKeysCheckMs = 10;
constexpr unsigned kGroupKeysBoundMs = 1500;

// Only key strokes depend on where the focus is; every other function runs at once.
bool ChoiceWaitsForItsWindow(const DispatchDecision& decision);

enum class GroupKeysStep {
    Wait,             // look again after kGroupKeysCheckMs
    SendWindowReady,  // the window meant is active with a focus
    SendAtBound,      // kGroupKeysBoundMs have passed without it
};
GroupKeysStep DecideGroupKeys(bool windowReady, unsigned long long waitedMs);
