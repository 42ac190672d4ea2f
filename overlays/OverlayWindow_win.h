#pragma once
// What every borderless pop-up of the program shares: it is a window from a dialog template, its background
// is never erased by the system (the paint covers the whole window), and it is a part of the running program
// that its owner starts (creates the window) and stops (destroys it) in the start-up order. The concrete
// overlays (picker, tooltip, board, gesture indicator, magnifier, dim panel, switcher) derive from it, list
// their own messages in a table of their own, and own their timers and threads.
//
// Threads: created by and belonging to the main thread. Other threads reach an overlay only through work
// posted to the UI thread (UiThread::Post) and through the atomics each class marks as shared.
#include "toolkit/Dialog_win.h"
#include "toolkit/Subsystem_win.h"

class OverlayWindow : public Dialog, public Subsystem {
public:
    // The window goes; the overlay's own threads and timers go before it (override, then call this).
    bool Stop() noexcept override;

protected:
    Reply OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The overlay's own messages, usually DispatchMessageTable(*this, kMessages, ...); PassOn falls through
    // to the shared handling.
    virtual Reply OnOverlayMessage(UINT, WPARAM, LPARAM) { return PassOn(); }
    // WM_PAINT. The base validates the window and draws nothing, for overlays whose content comes later.
    virtual void Paint();
};
