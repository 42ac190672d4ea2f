#include "overlays/BoardDlg_win.h"

#include "overlays/LayeredWindow_win.h"

Dialog::Reply BoardDlg::OnOverlayMessage(UINT message, WPARAM, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        MakeWindowLayered(Hwnd(), 0);
        return Handled(TRUE);
    // Moving, sizing and showing have no behaviour of their own: the system's handling is all.
    case WM_WINDOWPOSCHANGING:
    case WM_WINDOWPOSCHANGED:
    case WM_SHOWWINDOW:
        return PassOn();
    default:
        return PassOn();
    }
}
