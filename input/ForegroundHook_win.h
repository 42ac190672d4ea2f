#pragma once
// The foreground win-event hook: keeps the spotlight board above whatever window the user activates. It
// runs on the UI thread (out of context, the system calls it there), with COM initialised for that thread.
#include "toolkit/Scopes_win.h"
#include "toolkit/Handle_win.h"
#include "toolkit/Subsystem_win.h"

#include <memory>

void CALLBACK ForegroundEventProc(HWINEVENTHOOK hook, DWORD event, HWND hwnd, LONG idObject, LONG idChild,
                                  DWORD eventThread, DWORD eventTime) noexcept;

class ForegroundWatch final : public Subsystem {
public:
    // `board`: the board's window, which the hook keeps above the others while it shows the spotlight.
    explicit ForegroundWatch(HWND board) : board_(board) {}
    void Start(HWND owner) override;
    bool Stop() noexcept override;  // the hook goes, then COM

private:
    HWND board_;
    std::unique_ptr<ComScope> com_;
    UniqueWinEventHook hook_;
};
