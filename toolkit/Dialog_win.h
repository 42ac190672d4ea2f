#pragma once
// A window built from a dialog template of the program's resources. It stands in for the dialog class of a
// window framework: the window procedure is a noexcept trampoline into the object, and each class lists the
// messages it handles in a message table of its own (see DispatchMessageTable below).
//
// Threads: a Dialog belongs to the thread that created its window. Only EndDialog may be called from another
// thread (the close-watch thread ends the settings window); everything else is for the owning thread.
#include <windows.h>

#include <atomic>
#include <cstddef>

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
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    HWND Hwnd() const noexcept { return hwnd_; }

    // Modeless window: created (with its WM_INITDIALOG run) when this returns; visible only if the
    // template says so. No explicit owner means the thread's active window, as for any dialog.
    bool Create(int templateId, HWND parent = nullptr);

    // Modal run: creates the window and runs a message loop of its own until EndDialog is called. Every
    // message of the thread goes through PreTranslateMessage first, then the dialog's keyboard handling
    // (Escape and Enter become the Cancel and OK commands). The window is destroyed before this returns.
    INT_PTR RunModal(int templateId, HWND parent = nullptr);

    // Ends RunModal with the given result. Safe from any thread: it records the result and wakes the loop.
    void EndDialog(INT_PTR result) noexcept;

protected:
    // Called for every message of the window (after WM_INITDIALOG has bound the object to its window).
    virtual Reply OnMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // Sees every message of the owning thread during RunModal; true means the message is consumed.
    virtual bool PreTranslateMessage(MSG&) { return false; }

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

    HWND hwnd_ = nullptr;
    std::atomic<bool> endRequested_{false};
    std::atomic<INT_PTR> endResult_{0};
};

// A message table row: the message and the member that handles it.
template <class T>
struct MessageEntry {
    UINT message;
    Dialog::Reply (T::*handler)(WPARAM wParam, LPARAM lParam);
};

// Runs the row of `table` for `message`, or answers PassOn when the class has none.
template <class T, std::size_t N>
Dialog::Reply DispatchMessageTable(T* self, const MessageEntry<T> (&table)[N], UINT message, WPARAM wParam,
                                   LPARAM lParam) {
    for (const MessageEntry<T>& entry : table) {
        if (entry.message == message) return (self->*entry.handler)(wParam, lParam);
    }
    return Dialog::PassOn();
}

// The module that holds the program's resources (the executable itself).
HINSTANCE ResourceModule() noexcept;
