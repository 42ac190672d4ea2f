#include "input/ShellActions_win.h"

#include "toolkit/Scopes_win.h"
#include "toolkit/Trace_win.h"

#include <shellapi.h>

#include <deque>
#include <string>

namespace {

// The queue lives until the process ends: a shell thread stuck in the shell at shutdown may still read it.
// The thread starts with the first request, not with the program: most sessions never ask for the shell,
// and every thread a resident program keeps costs memory (about 1 MB each under Wine).
struct ShellQueue {
    SRWLOCK lock = SRWLOCK_INIT;
    std::deque<ShellAction> pending;
    WorkerThread* thread = nullptr;  // under `lock`: the part's thread, while the part is started
    bool running = false;            // under `lock`: the thread takes requests
    HANDLE wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
};

ShellQueue& Queue() {
    static ShellQueue* const queue = new ShellQueue;
    return *queue;
}

// {20D04FE0-3AEA-1069-A2D8-08002B30309D}: the shell's name of My Computer.
constexpr wchar_t kMyComputer[] = L"::{20D04FE0-3AEA-1069-A2D8-08002B30309D}";
// {13709620-C279-11CE-A49E-444553540000}: Shell.Application.
const CLSID kShellApplication = {0x13709620, 0xC279, 0x11CE, {0xA4, 0x9E, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
constexpr DWORD kShellContext = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;

[[maybe_unused]] const char* Outcome(bool ok) { return ok ? "ok" : "failed"; }

bool Execute(const wchar_t* file) {
    return reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, nullptr, file, nullptr, nullptr, SW_SHOWNORMAL)) > 32;
}

// The calculator of the system folder, by its full path: a "calc.exe" in the working folder or beside the
// program is never the one that runs.
bool StartCalculator() {
    wchar_t folder[MAX_PATH];
    const UINT n = GetSystemDirectoryW(folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    const std::wstring path = std::wstring(folder, n) + L"\\calc.exe";
    const bool ok = Execute(path.c_str());
    ORVEL_TRACE("shell calculator %s %s", TraceUtf8(path).c_str(), Outcome(ok));
    return ok;
}

// Shell.Application's ToggleDesktop, through its dual interface.
bool ToggleDesktop() {
    IDispatch* shell = nullptr;
    if (FAILED(CoCreateInstance(kShellApplication, nullptr, kShellContext, IID_IDispatch,
                                reinterpret_cast<void**>(&shell))) ||
        !shell) {
        return false;
    }
    wchar_t name[] = L"ToggleDesktop";
    LPOLESTR names[] = {name};
    DISPID id = 0;
    bool ok = false;
    if (SUCCEEDED(shell->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) {
        DISPPARAMS none{};
        ok = SUCCEEDED(shell->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, nullptr, nullptr,
                                     nullptr));
    }
    shell->Release();
    return ok;
}

void Run(ShellAction action) {
    switch (action) {
    case ShellAction::MyComputer: {
        [[maybe_unused]] const bool ok = Execute(kMyComputer);
        ORVEL_TRACE("shell my-computer %s", Outcome(ok));
        break;
    }
    case ShellAction::ShowDesktop: {
        [[maybe_unused]] const bool ok = ToggleDesktop();
        ORVEL_TRACE("shell show-desktop %s", Outcome(ok));
        break;
    }
    case ShellAction::Calculator:
        StartCalculator();
        break;
    }
}

void ShellThread() {
    ComScope com(COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    ShellQueue& queue = Queue();
    for (;;) {
        if (WaitForEventOrStop(queue.wake) == Wake::Stop) return;
        for (;;) {
            ShellAction next = ShellAction::MyComputer;
            {
                SrwExclusive lock(queue.lock);
                if (queue.pending.empty()) break;
                next = queue.pending.front();
                queue.pending.pop_front();
            }
            Run(next);
        }
    }
}

}  // namespace

void RequestShellAction(ShellAction action) {
    ShellQueue& queue = Queue();
    bool running = false;
    {
        SrwExclusive lock(queue.lock);
        if (!queue.running && queue.thread && !queue.thread->Started()) {
            queue.running = queue.thread->Start("shell", ShellThread);
        }
        running = queue.running;
        if (running) queue.pending.push_back(action);
    }
    if (running) SetEvent(queue.wake);
}

void ShellActions::Start(HWND) {
    ShellQueue& queue = Queue();
    if (!queue.wake) return;
    SrwExclusive lock(queue.lock);
    queue.thread = &thread_;
}

bool ShellActions::Stop() noexcept {
    ShellQueue& queue = Queue();
    {
        SrwExclusive lock(queue.lock);
        queue.thread = nullptr;
        queue.running = false;
        queue.pending.clear();
    }
    return thread_.Join(kWorkerJoinMs);
}
