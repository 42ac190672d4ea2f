#pragma once
// The running program's one owner. It runs the settings window modally for the life of the process, and it
// holds every other part of the program: it starts them in one fixed order when the settings window is
// initialised (see Start, which reads as the program's start-up) and stops them in the reverse order when the
// window is destroyed. A new part is one class and one line in Start.
//
// The parts find each other by window handle: the owner hands each part the handles it talks to when it
// starts it (the settings window gets them all, as ProgramWindows), and a handler finds a window's object
// with Dialog::From when it needs it. No part holds a pointer to another.
#include "app/SingleInstance_win.h"
#include "mainwindow/ProgramOwner_win.h"
#include "shell/AppModel_win.h"
#include "toolkit/BackgroundJob_win.h"
#include "toolkit/Subsystem_win.h"

#include <memory>
#include <string>
#include <vector>

class CKestanAssistantDlg;

class ResidentProgram final : public ProgramOwner {
public:
    // The process's last steps once the program has stopped (the process entry's): the worker threads left
    // running, the most the last device probes may still be waited for; returns the exit code.
    using ProcessEnd = int (*)(int threadsLeft, unsigned lastProbesMs);

    ResidentProgram(ProcessEnd processEnd, const NamedEvents& events);
    ~ResidentProgram();
    ResidentProgram(const ResidentProgram&) = delete;
    ResidentProgram& operator=(const ResidentProgram&) = delete;

    // Runs the settings window until it is ended; everything else starts and stops inside.
    void Run();

    // The start-up, from the settings window's WM_INITDIALOG.
    void Start(CKestanAssistantDlg& window) override;
    // The stop, from the settings window's WM_DESTROY: every part in the reverse order of the start-up.
    // Each worker is waited for within its bound; one that does not end is left to run with what it uses.
    // A second call does nothing.
    void Stop() noexcept override;

    // The session's end, from inside the settings window's WM_ENDSESSION once the mice are done: Windows may
    // end the process as soon as the window answers, so the window is destroyed here (its WM_DESTROY stops
    // every part) and the process ends without the window ever answering. `lastProbesMs`: see ProcessEnd.
    [[noreturn]] void EndSession(unsigned lastProbesMs) noexcept override;

    void RequestClose() override;
    bool WaitForCloseDeviceWork(DWORD timeoutMs) override;
    void PulseInstanceEvent() noexcept override;

    // Worker threads still running after the stop (0 when all ended within their bounds).
    int ThreadsLeft() const noexcept { return threadsLeft_; }

private:
    // Starts `part` with the settings window as its owner and keeps it until the stop.
    template <class Part>
    Part& Own(std::unique_ptr<Part> part);

    std::vector<std::unique_ptr<Subsystem>> parts_;
    // The program's model, handed to the settings window (UI thread), and the program's folder, ending with a
    // backslash: both written by `modelLoad_` until the start-up joins it, then the UI thread's.
    AppModel model_;
    std::wstring programDir_;
    BackgroundJob modelLoad_;  // after what it writes: destroyed, it waits for the job first
    std::unique_ptr<CKestanAssistantDlg> window_;
    HWND owner_ = nullptr;       // the settings window, from the start-up on
    ProcessEnd processEnd_;
    NamedEvents events_;  // the instance's named events, the entry's; handed to the watches
    bool started_ = false;
    bool stopped_ = false;
    int threadsLeft_ = 0;
};
