#include "overlays/TipFader.h"

#include <algorithm>

void TipFader::Show(int durationMs) {
    // A negative time would leave a shown, transparent window that never ends; it means no time at all.
    holdTicks = std::max(0, durationMs / kTipPassMs);
    tipAlpha = 0;
    windowShown = false;
}

void TipFader::EndHold() { holdTicks = 0; }

void TipFader::Clear() {
    holdTicks = 0;
    tipAlpha = 0;
    windowShown = false;
}

TipPassWork TipFader::Pass() {
    if (!WantsVisible()) {
        if (!windowShown) return TipPassWork::None;
        windowShown = false;
        return TipPassWork::Hide;
    }
    windowShown = true;
    if (holdTicks > 0) {
        // The hold counts only at full opacity: the fade-in comes first.
        if (tipAlpha < kTipFullAlpha) {
            tipAlpha = std::min(kTipFullAlpha, tipAlpha + kTipAlphaStep);
        } else {
            --holdTicks;
        }
    } else {
        tipAlpha = std::max(0, tipAlpha - kTipAlphaStep);
    }
    return TipPassWork::Show;
}

bool TipFader::Ticking() const { return WantsVisible() || windowShown; }
