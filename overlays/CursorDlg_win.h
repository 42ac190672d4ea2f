#pragma once
// The gesture indicator: a 32 x 32 layered window beside the cursor that plays a short finger animation
// after a gesture. The gesture-indicator thread moves, shows and hides it; its frames are drawn by Paint.
#include "overlays/OverlayWindow_win.h"
#include "resources/resource.h"

#include <atomic>

class CursorDlg : public OverlayWindow {
public:
    // 0 up, 1 down, 2 left, 3 right. Written by the gesture decoder (main thread), read when painting.
    std::atomic<int> GestureTipDirection{0};

    bool Create() { return Dialog::Create(IDD_CURSOR); }
};
