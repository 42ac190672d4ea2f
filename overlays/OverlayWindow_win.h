#pragma once
// What every borderless pop-up of the program shares: it is a window from a dialog template, its background
// is never erased by the system (the paint covers the whole window), and it lives from start-up to the end.
// The concrete overlays (picker, tooltip, board, gesture indicator, magnifier, dim panel, switcher) derive
// from it and add their own messages in front of these.
//
// Threads: created by and belonging to the main thread. Worker threads only call the window functions the
// system carries over to the main thread (show, hide, move, invalidate) and change the plain fields each
// class marks as shared.
#include "toolkit/Dialog_win.h"

class OverlayWindow : public Dialog {
protected:
    Reply OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The overlay's own messages; PassOn falls through to the shared handling.
    virtual Reply OnOverlayMessage(UINT, WPARAM, LPARAM) { return PassOn(); }
    // WM_PAINT. The base validates the window and draws nothing, for overlays whose content comes later.
    virtual void Paint();
};
