#include "shell/Catalogue.h"

namespace {

struct CatalogueRow {
    int id, parentId, kind, action, modifiers, key, iconId, textNumber;
    bool olderSystemsOnly;  // left out when the system reports 6.2 or later
};

constexpr int kForwardText = 16;
constexpr int kBackwardText = 15;

const CatalogueRow kCatalogueRows[] = {
    {1, 0, kKindFunction, kActionNone, 0, 0, 154, 0, false},           // No function
    {10, 0, kKindGroup, kActionGroup, 0, 0, 0, 1, false},              // System
    {11, 10, kKindFunction, kActionOverview, 0, 0, 155, 2, false},     // Expose application
    {13, 10, kKindFunction, kActionMyComputer, 0, 0, 156, 4, false},   // My computer
    {14, 10, kKindFunction, kActionShowDesktop, 0, 0, 0, 5, false},    // Show desktop
    {15, 10, kKindFunction, kActionVirtualKey, kModRightWin, 0, 0, 6, false},  // Start menu
    {20, 0, kKindGroup, kActionGroup, 0, 0, 0, 7, false},              // Application
    {21, 20, kKindFunction, kActionCalculator, 0, 0, 0, 8, false},     // Calculator
    {22, 20, kKindFunction, kActionVirtualKey, 0, 0xB4, 0, 9, true},   // Email reader (launch mail)
    {23, 20, kKindFunction, kActionVirtualKey, 0, 0xAC, 0, 10, true},  // Web browser (browser home)
    {30, 0, kKindGroup, kActionGroup, 0, 0, 0, 11, false},             // Function key
    {31, 30, kKindFunction, kActionVirtualKey, kModLeftCtrl, 0x58, 169, 12, false},  // Cut
    {32, 30, kKindFunction, kActionVirtualKey, kModLeftCtrl, 0x43, 152, 13, false},  // Copy
    {33, 30, kKindFunction, kActionVirtualKey, kModLeftCtrl, 0x56, 153, 14, false},  // Paste
    {34, 30, kKindFunction, kActionVirtualKey, 0, 0xA6, 0, kBackwardText, false},    // Backward
    {35, 30, kKindFunction, kActionVirtualKey, 0, 0xA7, 0, kForwardText, false},     // Forward
    {36, 30, kKindFunction, kActionScanCode, 0, 0xE049, 0, 17, false},               // Page Up
    {37, 30, kKindFunction, kActionScanCode, 0, 0xE051, 0, 18, false},               // Page Down
    {50, 0, kKindGroup, kActionGroup, 0, 0, 0, 19, false},             // Multimedia
    {51, 50, kKindFunction, kActionVirtualKey, 0, 0xAF, 162, 20, false},  // Volume +
    {52, 50, kKindFunction, kActionVirtualKey, 0, 0xAE, 161, 21, false},  // Volume -
    {53, 50, kKindFunction, kActionVirtualKey, 0, 0xAD, 0, 22, false},    // Mute
    {54, 50, kKindFunction, kActionVirtualKey, 0, 0xB3, 0, 23, false},    // Play / Pause
    {55, 50, kKindFunction, kActionVirtualKey, 0, 0xB1, 0, 24, false},    // Prev track
    {56, 50, kKindFunction, kActionVirtualKey, 0, 0xB0, 0, 25, false},    // Next track
    {57, 50, kKindFunction, kActionVirtualKey, 0, 0xB5, 0, 26, true},     // Media Player (media select)
    {70, 0, kKindGroup, kActionGroup, 0, 0, 0, 27, false},             // Presenter
    {71, 70, kKindFunction, kActionHighlighter, 0, 0, 0, 28, false},   // Highlighter
    {72, 70, kKindFunction, kActionScreenSnap1, 0, 0, 201, 29, false}, // Screen snap #1
    {73, 70, kKindFunction, kActionScreenSnap2, 0, 0, 170, 30, false}, // Screen snap #2
    // Spotlight shares id 73 with Screen snap #2; only group headers' ids are ever looked up.
    {73, 70, kKindFunction, kActionSpotlight, 0, 0, 0, 32, false},     // Spotlight
};

int ValidOrZero(const FunctionCatalogueModel& catalogue, int functionNumber) {
    return catalogue.IsValid(functionNumber) ? functionNumber : 0;
}

}  // namespace

bool IsVersion62OrLater(bool querySucceeded, unsigned long major, unsigned long minor) {
    if (!querySucceeded) return false;
    return major > 6 || (major == 6 && minor >= 2);
}

FunctionCatalogueModel BuildCatalogue(bool version62OrLater, const DisplayTexts& texts) {
    FunctionCatalogueModel catalogue;
    for (const CatalogueRow& row : kCatalogueRows) {
        if (row.olderSystemsOnly && version62OrLater) continue;
        _ZuItemListDB entry;
        entry.id = row.id;
        entry.action = row.action;
        entry.modifiers = row.modifiers;
        entry.key = row.key;
        entry.name = texts.functionNames[row.textNumber];
        entry.parentId = row.parentId;
        entry.iconId = row.iconId;
        entry.kind = row.kind;
        if (row.textNumber == kForwardText) catalogue.ForwardPosition = catalogue.Size();
        if (row.textNumber == kBackwardText) catalogue.BackwardPosition = catalogue.Size();
        catalogue.entries.push_back(std::move(entry));
    }
    return catalogue;
}

void SetSlotDefaults(const FunctionCatalogueModel& catalogue, ButtonSlots& slots) {
    slots.ExtraKeyFunction = 0;
    slots.GestureFunctions.fill(0);
    slots.ButtonFunctions[0] = 0;
    slots.ButtonFunctions[1] = 0;
    slots.ButtonFunctions[2] = 0;
    slots.ButtonFunctions[3] = catalogue.ForwardPosition;
    slots.ButtonFunctions[4] = catalogue.BackwardPosition;
}

const _ZuItemListDB* CatalogueEntry(const FunctionCatalogueModel& catalogue, int functionNumber) {
    if (!catalogue.IsValid(functionNumber)) return nullptr;
    return &catalogue.entries[std::size_t(functionNumber)];
}

std::vector<_ZuItemListDB> GroupMembers(const FunctionCatalogueModel& catalogue, int parentId) {
    std::vector<_ZuItemListDB> members;
    for (int position = 0; position < catalogue.Size(); ++position) {
        const _ZuItemListDB& entry = catalogue.entries[std::size_t(position)];
        if (entry.parentId != parentId) continue;
        members.push_back(entry);
        members.back().index = position;
    }
    return members;
}

std::wstring SlotName(const FunctionCatalogueModel& catalogue, int functionNumber) {
    const _ZuItemListDB* entry = CatalogueEntry(catalogue, functionNumber);
    return entry ? entry->name : std::wstring(L"No function");
}

void ResetSlotsToDefaults(const FunctionCatalogueModel& catalogue, ButtonSlots& slots,
                          std::atomic<int>& deviceMode) {
    // The order matters to the device probes, which read DeviceMode from other threads.
    slots.ButtonOrder = 0;
    slots.ExtraKeyFunction = 0;
    slots.GestureFunctions[0] = 0;
    slots.GestureFunctions[1] = 0;
    slots.GestureFunctions[2] = 0;
    slots.ButtonFunctions[0] = 0;
    slots.ButtonFunctions[1] = 0;
    slots.ButtonFunctions[2] = 0;
    deviceMode = 0;
    slots.ButtonFunctions[3] = ValidOrZero(catalogue, catalogue.ForwardPosition);
    slots.GestureFunctions[3] = 0;
    slots.ButtonFunctions[4] = ValidOrZero(catalogue, catalogue.BackwardPosition);
}
