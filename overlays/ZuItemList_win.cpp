#include "overlays/ZuItemList_win.h"

void ZuItemList::Hide() {
    opacity = 0;
    if (Hwnd()) ShowWindow(Hwnd(), SW_HIDE);
}
