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
    void Start() override;
    bool Stop() noexcept override;  // the hook goes, then COM

private:
    std::unique_ptr<ComScope> com_;
    UniqueWinEventHook hook_;
};
