#pragma once
// The optional outside library "ZuHOOK.DLL" beside the program: when it is there its "SetHook" is told the
// board's window; nothing in the program depends on it. Freed when the program stops.
#include "toolkit/Handle_win.h"
#include "toolkit/Subsystem_win.h"

class HookLibrary final : public Subsystem {
public:
    void Start() override;
    bool Stop() noexcept override;

private:
    UniqueModule module_;
};
