#pragma once
// What the settings window asks of the program's owner (app/ResidentProgram_win.h), which runs it modally and
// holds every other part: the start-up from its WM_INITDIALOG, the stop from its WM_DESTROY, the end of a
// session from inside its WM_ENDSESSION, and the process's stop requests. The window knows its owner only
// through this. UI thread.
#include <windows.h>

class CKestanAssistantDlg;

class ProgramOwner {
public:
    // The start-up, in its fixed order (the window's own steps among the parts').
    virtual void Start(CKestanAssistantDlg& window) = 0;
    // Every part in the reverse order of the start-up; a second call does nothing.
    virtual void Stop() noexcept = 0;
    // Destroys the window and ends the process from inside WM_ENDSESSION; `lastProbesMs` is the most the last
    // device probes may still be waited for.
    [[noreturn]] virtual void EndSession(unsigned lastProbesMs) noexcept = 0;
    // Exit from the notification menu: the same stop as "/close", asked from inside the program.
    virtual void RequestClose() = 0;
    // A log-off: waits at most `timeoutMs` for the event watch's device work; true when it is over.
    virtual bool WaitForCloseDeviceWork(DWORD timeoutMs) = 0;
    // The stop handshake's pulse of "qvmouseeventtouch", which other processes of the family watch.
    virtual void PulseInstanceEvent() noexcept = 0;

protected:
    ~ProgramOwner() = default;
};
