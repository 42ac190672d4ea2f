#include "mainwindow/SettingsFilter.h"

namespace {

ViewEffect Effect(ViewEffectKind kind) { return ViewEffect{kind}; }

ViewEffect Tip(int tip, int x, int y, int durationMs) {
    ViewEffect e{ViewEffectKind::ShowTip};
    e.tip = tip;
    e.x = x;
    e.y = y;
    e.durationMs = durationMs;
    return e;
}

ViewEffect HideTip(int immediate) {
    ViewEffect e{ViewEffectKind::HideTip};
    e.immediate = immediate;
    return e;
}

bool IsMarker(int slot) { return slot >= 0 && slot < kSlotCount && kSlotHasMarker[std::size_t(slot)]; }

// The pointer is over an element of the view only when the message is the settings window's own: another
// window's client coordinates say nothing about what lies under the pointer here.
bool OverView(const ViewMessage& m) { return m.target == MessageTarget::SettingsWindow; }

int SlotAt(const SettingsHitAreas& hits, const ViewMessage& m) {
    if (!OverView(m)) return -1;
    for (int s = 0; s < kSlotCount; ++s) {
        if (kSlotHasMarker[std::size_t(s)] && hits.slotRects[std::size_t(s)].Contains(m.x, m.y)) return s;
    }
    return -1;
}

int DefaultAt(const SettingsHitAreas& hits, const ViewMessage& m) {
    return OverView(m) && hits.defaultButton.Contains(m.x, m.y) ? 0 : -1;
}

int CaptionButtonAt(const SettingsHitAreas& hits, const ViewMessage& m) {
    if (!OverView(m)) return -1;
    for (int c = 0; c < 2; ++c) {
        if (hits.captionButtons[std::size_t(c)].Contains(m.x, m.y)) return c;
    }
    return -1;
}

void OnMouseMove(SettingsViewState& s, const SettingsHitAreas& hits, const ViewMessage& m, FilterResult& r) {
    // A picker found hidden (closed by the watch, or by a click elsewhere) ends the editing.
    if (m.pickerExists && !m.pickerVisible) {
        if (s.EditSlot != -1) r.effects.push_back(Effect(ViewEffectKind::Invalidate));
        s.EditSlot = -1;
    }
    const int slot = SlotAt(hits, m);
    if (slot != s.HoverSlot) {
        s.HoverSlot = slot;
        r.effects.push_back(Effect(ViewEffectKind::Invalidate));
        if (IsMarker(slot) && !m.pickerVisible) {
            const PixelRect& rect = hits.slotRects[std::size_t(slot)];
            r.effects.push_back(Tip(kMarkerTip, (rect.left + rect.right) / 2, rect.bottom + hits.scale.Px(30),
                                    kMarkerTipDurationMs));
        } else {
            r.effects.push_back(HideTip(0));
        }
    }
    if (slot != -1) return;

    const int onDefault = DefaultAt(hits, m);
    if (onDefault != s.HoverDefault) {
        s.HoverDefault = onDefault;
        r.effects.push_back(Effect(ViewEffectKind::Invalidate));
        if (onDefault == 0) {
            r.effects.push_back(Tip(kDefaultTip, hits.scale.Px(550), hits.scale.Px(115), kMarkerTipDurationMs));
        } else {
            r.effects.push_back(HideTip(0));
        }
    }
    if (onDefault == 0) return;

    const int caption = CaptionButtonAt(hits, m);
    if (caption != s.HoverCaptionButton) {
        s.HoverCaptionButton = caption;
        r.effects.push_back(Effect(ViewEffectKind::Invalidate));
        if (caption != -1) {
            const PixelRect& rect = hits.captionButtons[std::size_t(caption)];
            r.effects.push_back(Tip(kMinimizeTip + caption, rect.left + hits.scale.Px(8), rect.top - hits.scale.Px(28),
                                    kCaptionTipDurationMs));
        } else {
            r.effects.push_back(HideTip(0));
        }
    }
}

void OpenPickerFor(SettingsViewState& s, const SettingsHitAreas& hits, int slot, const ViewMessage& m,
                   FilterResult& r) {
    s.EditSlot = slot;
    if (m.target != MessageTarget::SettingsWindow) return;
    const PixelRect& rect = hits.slotRects[std::size_t(slot)];
    ViewEffect open{ViewEffectKind::OpenPicker};
    open.slot = slot;
    open.x = rect.left + hits.scale.Px(40);
    open.y = rect.bottom + hits.scale.Px(4);
    r.effects.push_back(open);
    r.effects.push_back(HideTip(0));
}

// Default, Close and Minimize act on a press; the drag only for the left button on an empty spot.
void PressOnButtons(SettingsViewState& s, const ViewMessage& m, bool mayDrag, FilterResult& r) {
    if (s.HoverDefault != -1) {
        r.effects.push_back(Effect(ViewEffectKind::Invalidate));  // the reset itself comes with the release
    } else if (s.HoverCaptionButton == 1) {
        ViewEffect hide{ViewEffectKind::HideWindow};
        hide.durationMs = kForegroundAfterCloseMs;
        r.effects.push_back(hide);
        r.effects.push_back(HideTip(1));
    } else if (s.HoverCaptionButton == 0) {
        r.effects.push_back(Effect(ViewEffectKind::Minimize));
        r.effects.push_back(HideTip(1));
    } else if (mayDrag && m.target == MessageTarget::SettingsWindow && s.HoverSlot == -1) {
        ViewEffect drag{ViewEffectKind::Drag};
        drag.x = m.x;
        drag.y = m.y;
        r.effects.push_back(drag);
    }
}

void OnLeftDown(SettingsViewState& s, const SettingsHitAreas& hits, const ViewMessage& m, FilterResult& r) {
    s.PressedDefault = s.HoverDefault;
    // A click outside the picker and its sub-lists closes it and ends the editing; a click inside (on a
    // sub-list's row, say) must keep the slot being edited, or the choice that follows would go nowhere.
    if (m.pickerExists && m.pickerVisible && m.target != MessageTarget::Picker &&
        m.target != MessageTarget::PickerChain) {
        r.effects.push_back(Effect(ViewEffectKind::HidePicker));
        if (s.EditSlot != -1) r.effects.push_back(Effect(ViewEffectKind::Invalidate));
        s.EditSlot = -1;
    }
    if (IsMarker(s.HoverSlot)) OpenPickerFor(s, hits, s.HoverSlot, m, r);
    PressOnButtons(s, m, true, r);
}

void OnOtherDown(SettingsViewState& s, const SettingsHitAreas& hits, const ViewMessage& m, FilterResult& r) {
    if (IsMarker(s.HoverSlot)) {
        OpenPickerFor(s, hits, s.HoverSlot, m, r);
        return;
    }
    PressOnButtons(s, m, false, r);
}

void OnLeftUp(SettingsViewState& s, const SettingsHitAreas& hits, const ViewMessage& m, FilterResult& r) {
    // Only a press and a release both on the Default button reset.
    if (DefaultAt(hits, m) == 0 && s.PressedDefault == 0) r.effects.push_back(Effect(ViewEffectKind::ResetDefaults));
    s.PressedDefault = -1;
}

// A list posts its choice to the settings window with its own mode while it is on screen. The message number
// is no secret, and a choice in a button's list runs a function: one that comes any other way (as a thread
// message, to another window of the program, with no list shown, or naming a mode other than the shown
// list's) changes nothing.
bool FromTheShownList(const ViewMessage& m) {
    return m.target == MessageTarget::SettingsWindow && m.pickerVisible && m.pickerShownMode >= 0 &&
           m.pickerMode == m.pickerShownMode;
}

void OnFunctionChosen(SettingsViewState& s, const ViewMessage& m, int catalogueSize, FilterResult& r) {
    if (!FromTheShownList(m)) return;
    r.effects.push_back(Effect(ViewEffectKind::HidePicker));
    if (m.pickerMode == 0) {
        // A position outside the catalogue is never stored, whoever posted it.
        if (s.EditSlot != -1 && m.function >= 0 && m.function < catalogueSize) {
            ViewEffect assign{ViewEffectKind::AssignAndSave};
            assign.slot = s.EditSlot;
            assign.function = m.function;
            r.effects.push_back(assign);
        } else {
            r.effects.push_back(Effect(ViewEffectKind::Save));
        }
        s.EditSlot = -1;
        r.effects.push_back(Effect(ViewEffectKind::Invalidate));
    } else if (m.pickerMode == 1) {
        ViewEffect run{ViewEffectKind::RunFunction};
        run.function = m.function;
        r.effects.push_back(run);
        s.EditSlot = -1;
    }
}

}  // namespace

FilterResult FilterSettingsMessage(SettingsViewState& state, const SettingsHitAreas& hits, const ViewMessage& message,
                                   int catalogueSize) {
    FilterResult result;
    switch (message.kind) {
    case ViewMessageKind::KeyDown:
        // Escape closes the picker and never the window (the cancel command that follows is ignored).
        if (message.key == kEscapeKey && message.pickerExists && message.pickerVisible) {
            result.effects.push_back(Effect(ViewEffectKind::HidePicker));
            state.EditSlot = -1;
            result.effects.push_back(Effect(ViewEffectKind::Invalidate));
        }
        break;
    case ViewMessageKind::MouseMove:
        OnMouseMove(state, hits, message, result);
        break;
    case ViewMessageKind::LeftDown:
        OnLeftDown(state, hits, message, result);
        break;
    case ViewMessageKind::RightDown:
    case ViewMessageKind::MiddleDown:
        OnOtherDown(state, hits, message, result);
        break;
    case ViewMessageKind::LeftUp:
        OnLeftUp(state, hits, message, result);
        break;
    case ViewMessageKind::FunctionChosen:
        OnFunctionChosen(state, message, catalogueSize, result);
        result.consumed = true;
        break;
    case ViewMessageKind::Print:
        result.consumed = true;
        break;
    case ViewMessageKind::Other:
        break;
    }
    return result;
}
