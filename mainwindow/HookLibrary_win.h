#pragma once
// The optional outside library "ZuHOOK.DLL" beside the program: when it is there its "SetHook" is told the
// board's window; nothing in the program depends on it. Freed when the program stops.
#include "toolkit/Handle_win.h"
#include "toolkit/Subsystem_win.h"

#include <string>
#include <utility>

class HookLibrary final : public Subsystem {
public:
    // `programDir` ends with a backslash; `board` is the board's window, which the library is told.
    HookLibrary(std::wstring programDir, HWND board) : programDir_(std::move(programDir)), board_(board) {}
    void Start(HWND owner) override;
    bool Stop() noexcept override;

private:
    std::wstring programDir_;
    HWND board_;
    UniqueModule module_;
};
