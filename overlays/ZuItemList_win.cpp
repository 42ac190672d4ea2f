#include "overlays/ZuItemList_win.h"

bool ZuItemList::Stop() noexcept {
    Hide();
    return OverlayWindow::Stop();
}

void ZuItemList::Hide() {
    opacity = 0;
    if (Hwnd()) ShowWindow(Hwnd(), SW_HIDE);
}
