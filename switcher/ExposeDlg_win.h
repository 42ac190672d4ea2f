#pragma once
// The window switcher: a full-screen top-most window that shows the windows of one monitor as thumbnails.
// Created hidden at start-up, after the DWM entry points are looked up; an overview run shows it.
#include "overlays/OverlayWindow_win.h"
#include "resources/resource.h"

class EXPOSE_DLG : public OverlayWindow {
public:
    void Start() override;
    bool IsShown() const { return Hwnd() && IsWindowVisible(Hwnd()); }

    // Starts an overview of the monitor under the pointer (Expose.busy is set by the caller and cleared once
    // the overview is up). The overview comes with the switcher itself.
    void RunOverview();
    // A raw mouse record while the switcher is shown.
    void OnRawInput(HRAWINPUT input);
};
