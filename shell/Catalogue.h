#pragma once
// The function catalogue: every function a button can carry, in one ordered array. A function is named
// everywhere by its position (its function number): the registry stores positions, the picker reports
// positions, and the dispatcher runs a position. Beside it, the slots that carry function numbers.
//
// The model is plain data passed by reference; the resident program owns the one catalogue and the one set of
// slots (AppModel, built once on the main thread and read there afterwards).
#include "shell/Texts.h"

#include <array>
#include <atomic>
#include <string>
#include <vector>

// Action codes of a catalogue entry.
enum FunctionAction : int {
    kActionNone = -1,           // "No function"
    kActionGroup = 0,           // group headers; nothing acts on it
    kActionOverview = 1,        // window overview with thumbnails
    kActionMyComputer = 2,
    kActionShowDesktop = 3,     // toggle
    kActionCalculator = 10,
    kActionVirtualKey = 20,     // modifiers, then the virtual key `key`
    kActionScanCode = 21,       // modifiers, then the scan code `key` (0xE0 in the high byte: extended)
    kActionHighlighter = 30,
    kActionScreenSnap1 = 31,
    kActionScreenSnap2 = 32,
    kActionSpotlight = 33,
};

// Entry kinds.
enum FunctionKind : int { kKindFunction = 0, kKindGroup = 1, kKindSeparator = 2 };

// Modifier bits of `modifiers`, sent in this bit order.
enum ModifierBit : int {
    kModLeftCtrl = 0x01, kModLeftShift = 0x02, kModLeftAlt = 0x04, kModLeftWin = 0x08,
    kModRightCtrl = 0x10, kModRightShift = 0x20, kModRightAlt = 0x40, kModRightWin = 0x80,
};

struct _ZuItemListDB {
    int index = 0;      // position in the full catalogue; only filtered copies (GroupMembers) fill it in
    int id = 0;         // a group header's key, which its members' parentId refers to
    int action = 0;
    int modifiers = 0;
    int key = 0;
    std::wstring name;
    int parentId = 0;   // 0: top level
    int iconId = 0;     // PNG resource of the 24 x 24 picker icon; 0: none
    int kind = kKindFunction;
};

struct FunctionCatalogueModel {
    std::vector<_ZuItemListDB> entries;
    // Where "Forward" and "Backward" ended up: the defaults of "bt3" and "bt4", and what DeviceMode is
    // measured against. Positions, not names, so a renamed "Forward" keeps its default.
    int ForwardPosition = -1;
    int BackwardPosition = -1;

    int Size() const { return int(entries.size()); }
    bool IsValid(int functionNumber) const { return functionNumber >= 0 && functionNumber < Size(); }
};

constexpr int kButtonSlotCount = 5;   // "bt0" .. "bt4"
constexpr int kGestureSlotCount = 4;  // up, down, left, right

// Function numbers per slot; anything outside 0..size-1 (-1 included) means nothing.
struct ButtonSlots {
    std::array<int, kButtonSlotCount> ButtonFunctions{};
    std::array<int, kGestureSlotCount> GestureFunctions{};
    int ExtraKeyFunction = 0;
    int ButtonOrder = 0;  // 0..5, not a function number: the order of the three main buttons
};

// The version query's verdict: true only when it succeeded and reported 6.2 or later (any major above 6
// counts). Three functions need the older system and are left out otherwise.
bool IsVersion62OrLater(bool querySucceeded, unsigned long major, unsigned long minor);

// Builds the catalogue from the built-in table with the names of `texts` (31 entries, or 28 when
// `version62OrLater`), remembering ForwardPosition and BackwardPosition.
FunctionCatalogueModel BuildCatalogue(bool version62OrLater, const DisplayTexts& texts);

// The slot defaults set right after the catalogue is built: everything 0 except "bt3" = ForwardPosition
// and "bt4" = BackwardPosition. ButtonOrder is left alone. The stored settings are loaded over these.
void SetSlotDefaults(const FunctionCatalogueModel& catalogue, ButtonSlots& slots);

// The entry at a function number, or null when the number is outside the catalogue.
const _ZuItemListDB* CatalogueEntry(const FunctionCatalogueModel& catalogue, int functionNumber);

// The members of a group in catalogue order (parentId 0: the top level), each with `index` set to its
// position in the full catalogue so a pick can be reported as a function number.
std::vector<_ZuItemListDB> GroupMembers(const FunctionCatalogueModel& catalogue, int parentId);

// What a slot shows: the name of its entry, or "No function" when its number is out of range.
std::wstring SlotName(const FunctionCatalogueModel& catalogue, int functionNumber);

// The Default button: ButtonOrder, ExtraKeyFunction, gestures 0..2, bt0..bt2 = 0; DeviceMode = 0;
// bt3 = ForwardPosition (0 when outside the catalogue); gesture 3 = 0; bt4 = BackwardPosition (likewise),
// in that order. The caller must then save the settings (which recomputes DeviceMode and configures the
// mice), repaint the whole settings window with its background erased, and pulse
// "TiltQV24GWaitEventtouchev".
void ResetSlotsToDefaults(const FunctionCatalogueModel& catalogue, ButtonSlots& slots,
                          std::atomic<int>& deviceMode);
