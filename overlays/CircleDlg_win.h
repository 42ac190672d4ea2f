#pragma once
// The magnifier window. Its handle is compared with the foreground window by the picker watch; its content
// (the frame picture and the magnified view) is drawn by Paint.
#include "overlays/OverlayWindow_win.h"
#include "resources/resource.h"

class CircleDLG : public OverlayWindow {
public:
    void Start() override { Create(IDD_CIRCLE); }
};
