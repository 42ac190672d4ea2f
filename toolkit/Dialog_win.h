#pragma once
// A window built from a dialog template of the program's resources. It stands in for the dialog class of a
// window framework: the window procedure is a noexcept trampoline into the object, and each class lists the
// messages it handles in a message table of its own. The table decodes every message at the edge, so a
// handler takes a plain struct (a timer id, a command id, a point) instead of WPARAM and LPARAM.
//
// An exception that escapes a handler stops at the window procedure: that one operation is abandoned (the
// message gets the default handling), the window hears of it through OnOperationFailed, and the program goes
// on. Running out of memory in the middle of one window's work must not end the process, least of all while
// some window holds the cursor confined or hidden.
//
// Threads: a Dialog belongs to the thread that created its window. Only EndDialog may be called from another
// thread; everything else is for the owning thread.
#include <windows.h>

#include <atomic>
#include <cstddef>

// "Its window's thread only", checked rather than only written: in the test builds (and any build without
// NDEBUG) a method so marked, called from another thread than the one of `hwnd`, ends the process at once
// with the trace line `wrong-thread WHAT thread=N window-thread=N`, so a test that strays fails where it
// strays. The product has no check. A call before the window exists (null `hwnd`) is not checked.
#if defined(ORVEL_TEST_HOOKS) || !defined(NDEBUG)
void CheckWindowThread(HWND hwnd, const char* what) noexcept;
#else
inline void CheckWindowThread(HWND, const char*) noexcept {}
#endif

class Dialog {
public:
    // What a handler answers: whether it handled the message, and the value returned to the system.
    struct Reply {
        bool handled;
        LRESULT value;
    };
    static constexpr Reply Handled(LRESULT value = 0) { return {true, value}; }
    static constexpr Reply PassOn() { return {false, 0}; }  // default handling

    Dialog() = default;
    virtual ~Dialog();  // destroys the window if it still exists
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    HWND Hwnd() const noexcept { return hwnd_; }

    // The object of a window of ours, found through the window's user slot, or null: no window, a window that
    // is gone (its handle may since name another window), one that is not a Dialog, or a Dialog of another
    // class, or a window of another thread. Work posted to the UI thread captures the handle and looks its
    // object up when it runs, so it never reaches an object that went meanwhile. The window's thread only.
    template <class T>
    static T* From(HWND hwnd) noexcept {
        return dynamic_cast<T*>(FromHandle(hwnd));
    }

    // Modeless window: created (with its WM_INITDIALOG run) when this returns; visible only if the
    // template says so. No explicit owner means the thread's active window, as for any dialog.
    bool Create(int templateId, HWND parent = nullptr);
    // Destroys the window now (a modeless window's end); nothing happens when there is none.
    void Destroy() noexcept;

    // Modal run: creates the window and runs a message loop of its own until EndDialog is called. Every
    // message of the thread goes through PreTranslateMessage first, then the dialog's keyboard handling
    // (Escape and Enter become the Cancel and OK commands). The window is destroyed before this returns.
    INT_PTR RunModal(int templateId, HWND parent = nullptr);

    // Ends RunModal with the given result. Safe from any thread: it records the result and wakes the
    // loop's thread, without touching the window (which the owning thread may be destroying meanwhile).
    void EndDialog(INT_PTR result) noexcept;

protected:
    // Called for every message of the window (after WM_INITDIALOG has bound the object to its window).
    virtual Reply OnMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // Sees every message of the owning thread during RunModal; true means the message is consumed.
    virtual bool PreTranslateMessage(MSG&) { return false; }
    // A handler of this window let an exception escape (std::bad_alloc: `outOfMemory`) and its operation was
    // abandoned half-way. A window that holds something of the system's (a confined or hidden cursor, a
    // topmost cover) puts itself into a safe state here.
    virtual void OnOperationFailed(bool /*outOfMemory*/) noexcept {}

    // For the window's own entry points that other windows' handlers call directly (not through a message):
    // an exception that escapes `operation` is taken here as the window procedure takes one, so that the
    // window that failed is the one that hears of it. `name` is for the trace.
    template <class Operation>
    void Guarded(const char* name, Operation&& operation) noexcept {
        try {
            operation();
        } catch (...) {
            OperationFailed(name, 0);
        }
    }

private:
    static Dialog* FromHandle(HWND hwnd) noexcept;
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    // Inside a catch block only: traces the exception in flight, then runs OnOperationFailed.
    void OperationFailed(const char* operation, UINT message) noexcept;

    HWND hwnd_ = nullptr;  // owning thread only
    std::atomic<bool> endRequested_{false};
    std::atomic<INT_PTR> endResult_{0};
    std::atomic<DWORD> loopThread_{0};  // the thread running RunModal; set before any other thread can know us
};

// ------------------------------------------------------------------------------- messages decoded at the edge

namespace msg {
struct Timer {
    UINT_PTR id;
};
struct Command {
    int id;          // menu item, control or accelerator id (IDOK, IDCANCEL, ...)
    int notifyCode;  // 0 from a menu, 1 from an accelerator, else the control's notification
    HWND control;    // null unless sent by a control
};
struct Point {
    POINT at;   // client coordinates (signed: a captured mouse may be left or above the window)
    UINT keys;  // MK_LBUTTON, MK_SHIFT, ...
};
struct SetCursor {
    HWND over;
    int hitTest;
    UINT mouseMessage;
};
struct RawInput {
    HRAWINPUT input;
    bool background;  // RIM_INPUTSINK: the input went to another window
};
struct DeviceChange {
    UINT event;   // DBT_DEVICEARRIVAL, ...
    LPARAM data;  // the event's record (a DEV_BROADCAST_HDR), null for many events; decoded by the device link
};
struct InitDialog {
    HWND defaultFocus;
    LPARAM param;
};
// WM_QUERYENDSESSION and WM_ENDSESSION.
struct EndSession {
    bool ending;     // WM_ENDSESSION: TRUE the session ends, FALSE it goes on (WM_QUERYENDSESSION: always FALSE)
    LPARAM reasons;  // ENDSESSION_LOGOFF, ENDSESSION_CLOSEAPP, ENDSESSION_CRITICAL; 0 for a shut-down
};
// A message whose two values the handler names itself (messages of the program's own).
struct Params {
    WPARAM w;
    LPARAM l;
};

template <class Arg>
Arg Decode(WPARAM w, LPARAM l);
template <>
inline Timer Decode<Timer>(WPARAM w, LPARAM) {
    return {UINT_PTR(w)};
}
template <>
inline Command Decode<Command>(WPARAM w, LPARAM l) {
    return {int(LOWORD(w)), int(HIWORD(w)), reinterpret_cast<HWND>(l)};
}
template <>
inline Point Decode<Point>(WPARAM w, LPARAM l) {
    return {{LONG(short(LOWORD(l))), LONG(short(HIWORD(l)))}, UINT(w)};
}
template <>
inline SetCursor Decode<SetCursor>(WPARAM w, LPARAM l) {
    return {reinterpret_cast<HWND>(w), int(short(LOWORD(l))), UINT(HIWORD(l))};
}
template <>
inline RawInput Decode<RawInput>(WPARAM w, LPARAM l) {
    return {reinterpret_cast<HRAWINPUT>(l), GET_RAWINPUT_CODE_WPARAM(w) == RIM_INPUTSINK};
}
template <>
inline DeviceChange Decode<DeviceChange>(WPARAM w, LPARAM l) {
    return {UINT(w), l};
}
template <>
inline InitDialog Decode<InitDialog>(WPARAM w, LPARAM l) {
    return {reinterpret_cast<HWND>(w), l};
}
template <>
inline EndSession Decode<EndSession>(WPARAM w, LPARAM l) {
    return {w != 0, l};
}
template <>
inline Params Decode<Params>(WPARAM w, LPARAM l) {
    return {w, l};
}
}  // namespace msg

// A message table row: the message and the handler that gets it decoded. Write rows as
//     {WM_TIMER, On<&MyWindow::OnTimer>}      with   Reply OnTimer(msg::Timer);
//     {WM_PAINT, On<&MyWindow::OnPaint>}      with   Reply OnPaint();
template <class T>
struct MessageEntry {
    UINT message;
    Dialog::Reply (*handler)(T& self, WPARAM w, LPARAM l);
};

template <auto Method>
struct MessageCracker;
template <class T, class Arg, Dialog::Reply (T::*Method)(Arg)>
struct MessageCracker<Method> {
    static Dialog::Reply Run(T& self, WPARAM w, LPARAM l) { return (self.*Method)(msg::Decode<Arg>(w, l)); }
};
template <class T, Dialog::Reply (T::*Method)()>
struct MessageCracker<Method> {
    static Dialog::Reply Run(T& self, WPARAM, LPARAM) { return (self.*Method)(); }
};
template <auto Method>
constexpr auto On = &MessageCracker<Method>::Run;

// Runs the row of `table` for `message`, or answers PassOn when the class has none.
template <class T, std::size_t N>
Dialog::Reply DispatchMessageTable(T& self, const MessageEntry<T> (&table)[N], UINT message, WPARAM wParam,
                                   LPARAM lParam) {
    for (const MessageEntry<T>& entry : table) {
        if (entry.message == message) return entry.handler(self, wParam, lParam);
    }
    return Dialog::PassOn();
}

// The module that holds the program's resources (the executable itself).
HINSTANCE ResourceModule() noexcept;
