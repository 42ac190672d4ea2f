#pragma once
// The tooltip: one message bubble for the whole program, a dark rounded translucent bar with white centred
// text that fades in centred on a screen point, stays for a given time and fades out; clicks pass through
// it. The settings view shows its hints with it, the board its modes and the results of its snaps.
//
// Threads: the window belongs to the main thread; its fader runs on a thread of its own that only ticks
// while a tip is shown or fading.
#include "overlays/OverlayWindow_win.h"
#include "resources/resource.h"

#include <string>

class ZuTipDLG;

// Shows `text` centred on screen point (x, y) for about `durationMs`, drawn at `fontPixels`; a new tip
// replaces the current one. The first call creates the tooltip (TheTip). Main thread.
void ShowTip(int x, int y, const std::wstring& text, int durationMs, int fontPixels);
// Ends the current tip's hold so that it fades out; with `immediate` 1 it is gone at once. Main thread.
void HideTip(int immediate);

// The owner's part for the tooltip: TheTip stays null until the first ShowTip makes the window; the stop
// ends the fader and destroys it.
class TooltipPart final : public Subsystem {
public:
    void Start() override;
    bool Stop() noexcept override;
};
