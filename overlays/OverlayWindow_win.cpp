#include "overlays/OverlayWindow_win.h"

#include "overlays/LayeredWindow_win.h"
#include "toolkit/Scopes_win.h"

bool OverlayWindow::Stop() noexcept {
    Destroy();
    return true;
}

Dialog::Reply OverlayWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    Reply own = OnOverlayMessage(message, wParam, lParam);
    if (own.handled) return own;
    if (message == WM_PAINT) {
        Paint();
        return Handled(0);
    }
    LRESULT answer = 0;
    if (OverlayCommonMessage(message, answer)) return Handled(answer);
    return PassOn();
}

void OverlayWindow::Paint() { PaintScope paint(Hwnd()); }
