#pragma once
// What the small overlays do when the monitor they are on changes its DPI (WM_DPICHANGED: the user moved the
// scale slider, or a window crossed onto a monitor of another scale), and the sizes of the two that have a
// fixed size. Portable: the Windows halves carry the answer out.
//
// A window that draws itself for a scale keeps it; the message's DPI (not a fresh look-up: the system may
// still report the old one while the message is under way) becomes the new one.
#include "shell/DisplayScale.h"

enum class OverlayKind {
    PickerList,        // a list of the picker, the top-level one or a sub-list
    Tip,               // the tooltip
    GestureIndicator,  // the finger animation beside the cursor
    Magnifier,         // the 2x view around the cursor
    DimPanel,          // the switcher's cover of a monitor it does not use
};

struct OverlayDpiDecision {
    bool takeSuggested = false;  // SetWindowPos to the rectangle the system suggests (no z-order, no activation)
    bool rescale = false;        // the window's scale becomes `scale`: fonts, pictures and measures follow
    bool relayout = false;       // its own layout again from the suggested top-left (a list's rows, a tip's
                                 // text around its point); a list re-places its open sub-lists too
    bool redraw = false;         // repaint at the new scale
    DisplayScale scale;          // the scale from now on

    bool Anything() const { return takeSuggested || rescale || relayout || redraw; }
};

// The answer for a window of `kind` drawn at `current` that got WM_DPICHANGED for `messageDpi` while
// `shown` (or hidden). Nothing for a DPI that is no DPI, or for the one the window already draws at (a
// sub-list its creator has re-placed already gets its own message afterwards, with a rectangle scaled a
// second time). A hidden window only takes the scale: its next show sizes it. A dim panel keeps its
// rectangle and its picture: it covers a monitor in the monitor's own pixels, and its picture is the
// switcher's, which ends or lays out its overview again on such a change.
OverlayDpiDecision DecideOverlayDpiChange(OverlayKind kind, const DisplayScale& current, int messageDpi, bool shown);

// The gesture indicator at a scale: its side (32 at 96 DPI) and how far below the cursor its top edge is
// (50 at 96 DPI).
struct GestureIndicatorLayout {
    int side = 32;
    int belowCursor = 50;
    static GestureIndicatorLayout ForScale(const DisplayScale& scale);
};

// The magnifier at a scale: its side (300 at 96 DPI, the frame picture's), and the part of the screen it
// shows, half its side each way, centred on the cursor (twice the size).
struct MagnifierSource {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};
int MagnifierSide(const DisplayScale& scale);
MagnifierSource MagnifierSourceAround(int cursorX, int cursorY, int clientWidth, int clientHeight);
