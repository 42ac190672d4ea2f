#pragma once
// How the tooltip fades: its opacity and hold time, changed by the main thread (a new tip, the end of a
// tip) and by the fader's 10 ms passes. Portable: the Windows half keeps one of these under a lock shared
// by the main thread and the fader thread, and carries out on the window what a pass asks for.
//
// A tip fades in over 11 passes (25, 50, ..., 250, 255), holds at full opacity for its hold time, fades
// out over 11 passes (230, 205, ..., 5, 0) and is then hidden.

// One pass of the fader, in milliseconds.
constexpr int kTipPassMs = 10;
constexpr int kTipAlphaStep = 25;
constexpr int kTipFullAlpha = 255;

// What the window must do after a pass.
enum class TipPassWork {
    None,  // nothing: the tip is hidden already
    Hide,  // hide the window
    Show,  // show the window if hidden, make it topmost again and repaint it at the new opacity
};

class TipFader {
public:
    // A new tip for `durationMs`: it starts again from transparent, and holds for durationMs / 10 passes
    // once it is fully opaque. The caller hides the window while it places the new tip.
    void Show(int durationMs);
    // The hold ends: the tip fades out from its present opacity.
    void EndHold();
    // The tip is gone at once (the caller hides the window): nothing is left to fade out.
    void Clear();

    // One pass: fades in, counts the hold down, or fades out.
    TipPassWork Pass();

    // True while passes have something to do: a tip holds or fades, or the window is still to be hidden.
    // Otherwise the fader thread sleeps until the next tip.
    bool Ticking() const;
    // True when the window is to be shown (the tip holds or is not fully transparent).
    bool WantsVisible() const { return holdTicks > 0 || tipAlpha > 0; }

    int HoldTicks() const { return holdTicks; }
    int TipAlpha() const { return tipAlpha; }

private:
    int holdTicks = 0;       // passes still to stay at full opacity
    int tipAlpha = 0;        // the window's constant alpha, 0..255
    bool windowShown = false;  // what the passes have asked of the window so far
};
