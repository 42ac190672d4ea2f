#pragma once
// The window switcher: a full-screen top-most window that shows the windows of one monitor as thumbnails.
// Created hidden at start-up, after the DWM entry points are looked up; an overview run shows it.
#include "overlays/OverlayWindow_win.h"
#include "resources/resource.h"

class EXPOSE_DLG : public OverlayWindow {
public:
    void Start() override;
    bool IsShown() const { return Hwnd() && IsWindowVisible(Hwnd()); }
};
