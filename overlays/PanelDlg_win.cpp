#include "overlays/PanelDlg_win.h"

#include "overlays/OverlayDpi.h"
#include "toolkit/Dpi_win.h"
#include "toolkit/Handle_win.h"
#include "toolkit/Scopes_win.h"

const MessageEntry<PanelDlg> PanelDlg::kMessages[] = {
    {WM_DPICHANGED, On<&PanelDlg::OnDpiChanged>},
};

Dialog::Reply PanelDlg::OnOverlayMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return DispatchMessageTable(*this, kMessages, message, wParam, lParam);
}

Dialog::Reply PanelDlg::OnDpiChanged(msg::Params params) {
    HWND hwnd = Hwnd();
    const DisplayScale now = DisplayScale::FromDpi(DpiForWindow(hwnd));
    const OverlayDpiDecision d =
        DecideOverlayDpiChange(OverlayKind::DimPanel, now, int(LOWORD(params.w)), hwnd && IsWindowVisible(hwnd));
    if (d.takeSuggested) TakeSuggestedRect(hwnd, params.l);
    if (d.redraw) InvalidateRect(hwnd, nullptr, FALSE);
    return Handled(0);
}

std::unique_ptr<PanelDlg> PanelDlg::CreatePanel(HWND owner) {
    auto panel = std::make_unique<PanelDlg>();
    if (!panel->Create(IDD_PANEL, owner)) return nullptr;
    return panel;
}

void PanelDlg::SetBitmap(HBITMAP bitmap) {
    panelBitmap = bitmap;
    if (Hwnd()) InvalidateRect(Hwnd(), nullptr, FALSE);
}

void PanelDlg::Paint() {
    PaintScope paint(Hwnd());
    if (!panelBitmap || !paint.Dc()) return;
    RECT client{};
    GetClientRect(Hwnd(), &client);
    UniqueMemoryDc memory(CreateCompatibleDC(paint.Dc()));
    if (!memory) return;
    SelectScope select(memory.Get(), panelBitmap);
    if (!select) return;  // a bitmap selected into another DC just now cannot be copied from here
    const RECT& invalid = paint.Invalid();
    BitBlt(paint.Dc(), invalid.left, invalid.top, client.right - client.left + 1, client.bottom - client.top + 1,
           memory.Get(), invalid.left, invalid.top, SRCCOPY);
}
