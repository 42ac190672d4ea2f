#include "input/ForegroundHook_win.h"

#include "mainwindow/ResidentProgram_win.h"
#include "overlays/BoardDlg_win.h"
#include "input/MouseHookRules.h"

void CALLBACK ForegroundEventProc(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG, LONG, DWORD, DWORD) noexcept {
    if (event != EVENT_SYSTEM_FOREGROUND || !hwnd || !BoardWindow) return;
    HWND board = BoardWindow->Hwnd();
    if (BoardWindow->IsShown() && BoardWindow->Mode() == kSpotlightBoardMode && hwnd != board) {
        SetWindowPos(board, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }
}

void ForegroundWatch::Start() {
    com_ = std::make_unique<ComScope>();
    hook_.Reset(SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr, ForegroundEventProc, 0,
                                0, WINEVENT_OUTOFCONTEXT));
}

bool ForegroundWatch::Stop() noexcept {
    hook_.Reset();
    com_.reset();
    return true;
}
