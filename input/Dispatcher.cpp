#include "input/Dispatcher.h"

namespace {

// The modifier keys in bit order, sent as scan codes (extended ones with the flag).
struct Modifier {
    int bit;
    uint16_t scan;
    bool extended;
};
constexpr Modifier kModifiers[] = {
    {kModLeftCtrl, 0x1D, false},  {kModLeftShift, 0x2A, false},  {kModLeftAlt, 0x38, false},
    {kModLeftWin, 0xE05B, true},  {kModRightCtrl, 0xE01D, true}, {kModRightShift, 0x36, false},
    {kModRightAlt, 0xE038, true}, {kModRightWin, 0xE05C, true},
};

void Append(KeyEvents& to, const KeyEvents& from) {
    for (const KeyEvent& e : from) {
        if (to.count < int(to.items.size())) to.items[std::size_t(to.count++)] = e;
    }
}

}  // namespace

KeyEvents KeyComboEvents(int mask, unsigned key, bool press, bool scanForm) {
    KeyEvents events;
    const uint32_t up = press ? 0 : kKeyUp;
    for (const Modifier& m : kModifiers) {
        if (!(mask & m.bit)) continue;
        KeyEvent e;
        e.scan = m.scan;
        e.flags = kKeyScanCode | (m.extended ? kKeyExtended : 0) | up;
        events.items[std::size_t(events.count++)] = e;
    }
    KeyEvent k;
    if (scanForm) {
        k.scan = uint16_t(key & 0xFF);
        k.flags = kKeyScanCode | ((key & 0xFF00) ? kKeyExtended : 0) | up;
    } else {
        k.vk = uint16_t(key);
        k.flags = up;
    }
    events.items[std::size_t(events.count++)] = k;  // sent even for key code 0
    return events;
}

DispatchDecision DecideRun(const FunctionCatalogueModel& catalogue, int position, const DispatchContext& context) {
    DispatchDecision d;
    const _ZuItemListDB* entry = CatalogueEntry(catalogue, position);
    if (!entry) return d;
    if (entry->kind == kKindGroup) {
        d.kind = DispatchKind::OpenGroup;
        d.groupId = entry->id;
        return d;
    }
    switch (entry->action) {
    case kActionOverview:
        if (context.boardVisible) {
            d.kind = DispatchKind::RaiseBoard;
        } else if (!context.switcherVisible && !context.overviewBusy) {
            d.kind = DispatchKind::StartOverview;
        }
        break;
    case kActionMyComputer:
        d.kind = DispatchKind::MyComputer;
        break;
    case kActionShowDesktop:
        d.kind = DispatchKind::ShowDesktop;
        break;
    case kActionCalculator:
        d.kind = DispatchKind::Calculator;
        break;
    case kActionVirtualKey:
    case kActionScanCode: {
        // A press sends a whole stroke: everything down, then everything up.
        const bool scanForm = entry->action == kActionScanCode;
        d.kind = DispatchKind::Keys;
        Append(d.keys, KeyComboEvents(entry->modifiers, unsigned(entry->key), true, scanForm));
        Append(d.keys, KeyComboEvents(entry->modifiers, unsigned(entry->key), false, scanForm));
        break;
    }
    case kActionHighlighter:
        d.kind = DispatchKind::ToggleBoard;
        d.boardMode = BoardMode::Highlighter;
        break;
    case kActionScreenSnap1:
        d.kind = DispatchKind::ToggleBoard;
        d.boardMode = BoardMode::Rectangle;
        break;
    case kActionScreenSnap2:
        d.kind = DispatchKind::ToggleBoard;
        d.boardMode = BoardMode::Freeform;
        break;
    case kActionSpotlight:
        d.kind = DispatchKind::ToggleBoard;
        d.boardMode = BoardMode::Spotlight;
        break;
    default:
        break;
    }
    return d;
}

DispatchDecision DecideRelease(const FunctionCatalogueModel& catalogue, int position) {
    DispatchDecision d;
    const _ZuItemListDB* entry = CatalogueEntry(catalogue, position);
    if (!entry) return d;
    if (entry->action == kActionVirtualKey || entry->action == kActionScanCode) {
        d.kind = DispatchKind::Keys;
        Append(d.keys, KeyComboEvents(entry->modifiers, unsigned(entry->key), false, entry->action == kActionScanCode));
    }
    return d;
}

bool ChoiceWaitsForItsWindow(const DispatchDecision& decision) { return decision.kind == DispatchKind::Keys; }

GroupKeysStep DecideGroupKeys(bool windowReady, unsigned long long waitedMs) {
    if (windowReady) return GroupKeysStep::SendWindowReady;
    return waitedMs >= kGroupKeysBoundMs ? GroupKeysStep::SendAtBound : GroupKeysStep::Wait;
}
