#include "overlays/OverlayDpi.h"

OverlayDpiDecision DecideOverlayDpiChange(OverlayKind kind, const DisplayScale& current, int messageDpi, bool shown) {
    OverlayDpiDecision d;
    d.scale = current;
    const DisplayScale next = DisplayScale::FromDpi(messageDpi);
    // FromDpi falls back to 96 for nonsense; a message that says nonsense changes nothing at all.
    if (next.dpi != messageDpi || next == current) return d;
    if (kind == OverlayKind::DimPanel) return d;
    d.rescale = true;
    d.scale = next;
    if (!shown) return d;
    d.takeSuggested = true;
    d.redraw = true;
    d.relayout = kind == OverlayKind::PickerList || kind == OverlayKind::Tip;
    return d;
}

GestureIndicatorLayout GestureIndicatorLayout::ForScale(const DisplayScale& scale) {
    GestureIndicatorLayout layout;
    layout.side = scale.Px(layout.side);
    layout.belowCursor = scale.Px(layout.belowCursor);
    return layout;
}

int MagnifierSide(const DisplayScale& scale) { return scale.Px(300); }

MagnifierSource MagnifierSourceAround(int cursorX, int cursorY, int clientWidth, int clientHeight) {
    return {cursorX - clientWidth / 4, cursorY - clientHeight / 4, clientWidth / 2, clientHeight / 2};
}
