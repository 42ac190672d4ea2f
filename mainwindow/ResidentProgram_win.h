#pragma once
// The running program's one owner. It runs the settings window modally for the life of the process, and it
// holds every other part of the program: it starts them in one fixed order when the settings window is
// initialised (see Start, which reads as the program's start-up) and stops them in the reverse order when the
// window is destroyed. A new part is one class and one line in Start.
//
// The windows the program talks about by name are reached through the views below: non-owning pointers that
// the owner sets when it starts a part and clears before it stops it. Main thread only; worker threads never
// read them (they post their work to the UI thread, which does).
#include "toolkit/Subsystem_win.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class CKestanAssistantDlg;
class EXPOSE_DLG;
class CircleDLG;
class CursorDlg;
class BoardDlg;
class ZuItemList;
class ZuTipDLG;

extern CKestanAssistantDlg* MainWindow;
extern EXPOSE_DLG* ExposeWindow;
extern CircleDLG* CircleWindow;
extern CursorDlg* CursorWindow;
extern BoardDlg* BoardWindow;
extern ZuItemList* PickerWindow;
extern ZuTipDLG* TheTip;  // none until the first tip is shown
// The program's folder, ending with a backslash. Set once at start-up.
extern std::wstring ProgramDir;

class ResidentProgram {
public:
    // The process's last steps once the program has stopped (the process entry's): the worker threads left
    // running, the most the last device probes may still be waited for; returns the exit code.
    using ProcessEnd = int (*)(int threadsLeft, unsigned lastProbesMs);

    explicit ResidentProgram(ProcessEnd processEnd);
    ~ResidentProgram();
    ResidentProgram(const ResidentProgram&) = delete;
    ResidentProgram& operator=(const ResidentProgram&) = delete;

    // Runs the settings window until it is ended; everything else starts and stops inside.
    void Run();

    // The start-up, from the settings window's WM_INITDIALOG.
    void Start(CKestanAssistantDlg& window);
    // The stop, from the settings window's WM_DESTROY: every part in the reverse order of the start-up.
    // Each worker is waited for within its bound; one that does not end is left to run with what it uses.
    // A second call does nothing.
    void Stop() noexcept;

    // The session's end, from inside the settings window's WM_ENDSESSION once the mice are done: Windows may
    // end the process as soon as the window answers, so the window is destroyed here (its WM_DESTROY stops
    // every part) and the process ends without the window ever answering. `lastProbesMs`: see ProcessEnd.
    [[noreturn]] void EndSession(unsigned lastProbesMs) noexcept;

    // Worker threads still running after the stop (0 when all ended within their bounds).
    int ThreadsLeft() const noexcept { return threadsLeft_; }

private:
    template <class Part>
    Part& Own(std::unique_ptr<Part> part);
    template <class Part, class View>
    Part& Own(std::unique_ptr<Part> part, View*& view);

    struct OwnedPart {
        std::unique_ptr<Subsystem> part;
        std::function<void()> forgetView;  // clears the part's view before it stops; may be empty
    };
    std::vector<OwnedPart> parts_;
    std::unique_ptr<CKestanAssistantDlg> window_;
    ProcessEnd processEnd_;
    bool started_ = false;
    bool stopped_ = false;
    int threadsLeft_ = 0;
};
