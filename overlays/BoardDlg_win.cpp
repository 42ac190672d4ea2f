#include "overlays/BoardDlg_win.h"

#include "overlays/LayeredWindow_win.h"
#include "shell/ProcessState.h"
#include "toolkit/Trace_win.h"

std::atomic<HWND> BoardHandle{nullptr};

const MessageEntry<BoardDlg> BoardDlg::kMessages[] = {
    {WM_INITDIALOG, On<&BoardDlg::OnInitDialog>},
    {WM_WINDOWPOSCHANGED, On<&BoardDlg::OnWindowPosChanged>},
};

void BoardDlg::Start() {
    // A child of the desktop's program-manager window, as the presenter tools expect.
    Create(IDD_BOARD, FindWindowW(L"Progman", nullptr));
    BoardHandle = Hwnd();
}

bool BoardDlg::Stop() noexcept {
    BoardHandle = nullptr;
    BoardVisible = false;
    SetMode(0);
    return OverlayWindow::Stop();
}

void BoardDlg::SetMode(int newMode) noexcept {
    mode = newMode;
    BoardMode = newMode;
}

void BoardDlg::ToggleMode([[maybe_unused]] int newMode) { ORVEL_TRACE("board-toggle %d", newMode); }

void BoardDlg::OnRawMouse(long, long, unsigned, unsigned) {}

Dialog::Reply BoardDlg::OnOverlayMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return DispatchMessageTable(*this, kMessages, message, wParam, lParam);
}

Dialog::Reply BoardDlg::OnInitDialog() {
    MakeWindowLayered(Hwnd(), 0);
    return Handled(TRUE);
}

// However the board was shown or hidden, the hook's thread learns it here; the system's handling follows.
Dialog::Reply BoardDlg::OnWindowPosChanged() {
    BoardVisible = IsWindowVisible(Hwnd()) != FALSE;
    return PassOn();
}
