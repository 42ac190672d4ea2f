#pragma once
// The presenter board (highlighter, screen snaps, spotlight). Created hidden as a child of the desktop's
// program-manager window; made layered in its initialisation.
#include "overlays/OverlayWindow_win.h"
#include "resources/resource.h"

class BoardDlg : public OverlayWindow {
public:
    // 0 off; 1 highlighter, 2 and 3 the screen snaps, 4 spotlight. Main thread only.
    int mode = 0;

    bool Create(HWND parent) { return Dialog::Create(IDD_BOARD, parent); }
    bool IsShown() const { return Hwnd() && IsWindowVisible(Hwnd()); }

protected:
    Reply OnOverlayMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};
