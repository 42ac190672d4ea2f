#include "toolkit/Dialog_win.h"

#include "toolkit/LoopStats_win.h"
#include "toolkit/Trace_win.h"

#include <exception>
#include <new>

#if defined(ORVEL_TEST_HOOKS)
#include <cstdio>
#include <typeinfo>

namespace {

// The class's own name from its mangled one ("8BoardDlg"), for the trace.
const char* ClassName(const char* mangled) {
    while (*mangled >= '0' && *mangled <= '9') ++mangled;
    return mangled;
}

}  // namespace
#endif

HINSTANCE ResourceModule() noexcept { return GetModuleHandleW(nullptr); }

#if defined(ORVEL_TEST_HOOKS) || !defined(NDEBUG)
void CheckWindowThread(HWND hwnd, const char* what) noexcept {
    if (!hwnd) return;
    const DWORD owner = GetWindowThreadProcessId(hwnd, nullptr);
    const DWORD caller = GetCurrentThreadId();
    if (owner == 0 || owner == caller) return;  // a window that is gone already has no thread to keep
    ORVEL_TRACE("wrong-thread %s thread=%lu window-thread=%lu", what, caller, owner);
    char line[160];
    wsprintfA(line, "wrong-thread %s thread=%lu window-thread=%lu\n", what, caller, owner);
    OutputDebugStringA(line);
    // Loudly, and at the place of the fault: no handler of ours runs on the way out.
    TerminateProcess(GetCurrentProcess(), 0xC0DE0007);
}
#endif

Dialog::~Dialog() { Destroy(); }

bool Dialog::Create(int templateId, HWND parent) {
    HWND hwnd = CreateDialogParamW(ResourceModule(), MAKEINTRESOURCEW(templateId), parent, DialogProc,
                                   reinterpret_cast<LPARAM>(this));
    return hwnd != nullptr;
}

void Dialog::Destroy() noexcept {
    CheckWindowThread(hwnd_, "Dialog::Destroy");
    // WM_NCDESTROY clears hwnd_ on the way.
    if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
}

INT_PTR Dialog::RunModal(int templateId, HWND parent) {
    endRequested_ = false;
    loopThread_ = GetCurrentThreadId();
    if (!Create(templateId, parent)) return -1;
    MSG msg;
    while (!endRequested_) {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == -1) break;
        if (got == 0) {  // WM_QUIT belongs to an outer loop: leave and hand it on
            PostQuitMessage(int(msg.wParam));
            break;
        }
#if defined(ORVEL_TEST_HOOKS)
        LARGE_INTEGER turnStart;
        QueryPerformanceCounter(&turnStart);
#endif
        bool consumed = false;
        try {
            consumed = PreTranslateMessage(msg);
        } catch (...) {
            OperationFailed("pre-translate", msg.message);  // the message goes on as if not looked at
        }
        if (!consumed && !(hwnd_ && IsDialogMessageW(hwnd_, &msg))) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
#if defined(ORVEL_TEST_HOOKS)
        LARGE_INTEGER turnEnd, frequency;
        QueryPerformanceCounter(&turnEnd);
        QueryPerformanceFrequency(&frequency);
        NoteLoopTurn(msg, double(turnEnd.QuadPart - turnStart.QuadPart) * 1000.0 / double(frequency.QuadPart));
#endif
    }
    Destroy();
    return endResult_;
}

void Dialog::EndDialog(INT_PTR result) noexcept {
    endResult_ = result;
    endRequested_ = true;
    // GetMessage may be asleep: an empty thread message wakes it so that it sees the request. The loop's
    // thread id never changes while the loop runs, unlike the window handle.
    if (DWORD thread = loopThread_) PostThreadMessageW(thread, WM_NULL, 0, 0);
}

Dialog* Dialog::FromHandle(HWND hwnd) noexcept {
    if (!hwnd || !IsWindow(hwnd)) return nullptr;
    // Another thread's window is that thread's business; its object is not to be touched from here.
    if (GetWindowThreadProcessId(hwnd, nullptr) != GetCurrentThreadId()) return nullptr;
    // The user slot is ours only in a window whose dialog procedure is ours.
    if (GetWindowLongPtrW(hwnd, DWLP_DLGPROC) != reinterpret_cast<LONG_PTR>(&Dialog::DialogProc)) return nullptr;
    return reinterpret_cast<Dialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
}

INT_PTR CALLBACK Dialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    Dialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lParam);
        SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        self->hwnd_ = hwnd;
    } else {
        self = reinterpret_cast<Dialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    }
    if (!self) return FALSE;  // messages that come before WM_INITDIALOG (WM_SETFONT) need nothing

    Reply reply = PassOn();
    try {
        reply = self->OnMessage(message, wParam, lParam);
    } catch (...) {
        // Never past this frame: the system's frames below cannot carry an exception, and this procedure is
        // noexcept. The message gets the default handling.
        self->OperationFailed(nullptr, message);
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        self->hwnd_ = nullptr;
    }
    if (!reply.handled) return FALSE;

    switch (message) {
    // These few messages return their value straight from the dialog procedure.
    case WM_INITDIALOG:
    case WM_QUERYDRAGICON:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
        return INT_PTR(reply.value);
    default:
        SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, reply.value);
        return TRUE;
    }
}

void Dialog::OperationFailed([[maybe_unused]] const char* operation, [[maybe_unused]] UINT message) noexcept {
    bool outOfMemory = false;
    [[maybe_unused]] const char* what = "unknown";
    try {
        throw;  // the exception in flight, to tell its kind
    } catch (const std::bad_alloc& e) {
        outOfMemory = true;
        what = e.what();
    } catch (const std::exception& e) {
        what = e.what();
    } catch (...) {
    }
#if defined(ORVEL_TEST_HOOKS)
    char where[64];
    if (!operation) {
        std::snprintf(where, sizeof where, "message=0x%04x", message);
    } else if (message == 0) {
        std::snprintf(where, sizeof where, "operation=%s", operation);
    } else {
        std::snprintf(where, sizeof where, "operation=%s message=0x%04x", operation, message);
    }
    ORVEL_TRACE("operation-failed window=%s %s what=%s", ClassName(typeid(*this).name()), where, what);
#endif
    OnOperationFailed(outOfMemory);
}
