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
    // Copies the bitmap 1:1 into the invalidated part; never erased, so uncovering restores its pixels.
    void Paint() override;

private:
    HBITMAP panelBitmap = nullptr;
};
