#pragma once
// The dim panel: a plain (not layered) window that paints a bitmap it is given, 1:1. The window switcher
// covers the monitors it does not use with them; it creates, places, shows and hides them and owns their
// bitmaps.
#include "overlays/OverlayWindow_win.h"
#include "resources/resource.h"

#include <memory>

class PanelDlg : public OverlayWindow {
public:
    // A panel with its window made (hidden) from template 143, owned by `owner`; null when the window
    // cannot be made. Main thread.
    static std::unique_ptr<PanelDlg> CreatePanel(HWND owner);

    void Start(HWND) override {}
    // The bitmap painted from now on (not owned; the switcher keeps it alive while the panel shows it).
    void SetBitmap(HBITMAP bitmap);

protected:
    Reply OnOverlayMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Copies the bitmap 1:1 into the invalidated part; never erased, so uncovering restores its pixels.
    void Paint() override;

private:
    // A panel covers a monitor in the monitor's own pixels whatever its scale, and its picture is the
    // switcher's: a DPI change leaves both as they are (DecideOverlayDpiChange), and the system's own
    // handling, which would scale the window as a dialog's, is not asked for.
    Reply OnDpiChanged(msg::Params params);
    static const MessageEntry<PanelDlg> kMessages[];

    HBITMAP panelBitmap = nullptr;
};
