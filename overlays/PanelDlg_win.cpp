#include "overlays/PanelDlg_win.h"

std::unique_ptr<PanelDlg> PanelDlg::CreatePanel(HWND owner) {
    auto panel = std::make_unique<PanelDlg>();
    if (!panel->Create(IDD_PANEL, owner)) return nullptr;
    return panel;
}

void PanelDlg::SetBitmap(HBITMAP bitmap) {
    panelBitmap = bitmap;
    if (Hwnd()) InvalidateRect(Hwnd(), nullptr, FALSE);
}
