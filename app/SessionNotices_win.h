#pragma once
// Asks the system to tell the settings window when the user's session is unlocked (WM_WTSSESSION_CHANGE);
// resumes from sleep come as WM_POWERBROADCAST without asking. The window then configures the mice again.
#include "toolkit/Subsystem_win.h"

#include <windows.h>

class SessionNotices final : public Subsystem {
public:
    explicit SessionNotices(HWND window) : window_(window) {}
    void Start(HWND owner) override;
    bool Stop() noexcept override;

private:
    HWND window_;
    bool registered_ = false;
};
