#include "input/ForegroundHook_win.h"

#include "overlays/BoardDlg_win.h"

namespace {

// The board the running watch keeps on top. The callback has no context of its own; the watch sets this
// when it installs the hook and clears it when it removes it. UI thread only (the system calls an
// out-of-context hook on the thread that installed it).
HWND WatchedBoard = nullptr;

}  // namespace

void CALLBACK ForegroundEventProc(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG, LONG, DWORD, DWORD) noexcept {
    if (event != EVENT_SYSTEM_FOREGROUND || !hwnd) return;
    const BoardDlg* board = Dialog::From<BoardDlg>(WatchedBoard);
    if (!board) return;
    if (board->IsShown() && board->Mode() == BoardMode::Spotlight && hwnd != WatchedBoard) {
        SetWindowPos(WatchedBoard, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }
}

void ForegroundWatch::Start(HWND) {
    WatchedBoard = board_;
    com_ = std::make_unique<ComScope>();
    hook_.Reset(SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr, ForegroundEventProc, 0,
                                0, WINEVENT_OUTOFCONTEXT));
}

bool ForegroundWatch::Stop() noexcept {
    hook_.Reset();
    com_.reset();
    if (WatchedBoard == board_) WatchedBoard = nullptr;
    return true;
}
