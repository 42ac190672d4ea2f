// The process entry: starts the platform services, reads the command line, makes sure only one instance runs
// in the logon, creates the two events through which other processes talk to it, and runs the settings window
// modally for the whole life of the process.
#include <winsock2.h>  // before anything that brings in <windows.h>

#include "app/ResidentProgram_win.h"
#include "app/SingleInstance.h"
#include "app/SingleInstance_win.h"
#include "device/DeviceLink_win.h"
#include "overlays/Gdiplus_win.h"
#include "resources/resource.h"
#include "shell/CommandLine.h"
#include "shell/Names.h"
#include "shell/ProcessState.h"
#include "shell/Settings_win.h"
#include "toolkit/Handle_win.h"
#include "toolkit/Trace_win.h"

#include <commctrl.h>
#include <tlhelp32.h>

#include <string>
#include <vector>

namespace {

// Stops what start-up started, whichever way the process ends.
struct PlatformServices {
    bool socketsStarted = false;
    ULONG_PTR GdiplusToken = 0;

    ~PlatformServices() {
        if (GdiplusToken) Gdiplus::GdiplusShutdown(GdiplusToken);
        if (socketsStarted) WSACleanup();
    }
};

void ShowSocketFailure() {
    wchar_t text[256] = L"";
    LoadStringW(GetModuleHandleW(nullptr), IDS_SOCKET_STARTUP_FAILED, text, 256);
    MessageBoxW(nullptr, text, kProgramTitle, MB_OK | MB_ICONERROR);
}

// "/close /wait". The instance is gone once its single-instance event no longer exists; its file is free
// once no process runs it any more, which is a moment later (the process still shuts its services down after
// closing the event, and keeps the event open to the very end when a worker was left running).
bool InstanceEventExists() {
    HANDLE event = OpenEventW(SYNCHRONIZE, FALSE, kInstanceEventName);
    if (event) {
        CloseHandle(event);
        return true;
    }
    return GetLastError() != ERROR_FILE_NOT_FOUND;  // denied access still means it is there
}

// The same file whatever the path's spelling (short names, another drive letter mapping).
bool FileIdentity(const wchar_t* path, BY_HANDLE_FILE_INFORMATION* info) {
    UniqueFileHandle file(CreateFileW(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return file && GetFileInformationByHandle(file.Get(), info);
}

// Handles of the other processes that run this very file (of this session: another user's copy is not
// ours to end and would only hold the wait to its limit).
std::vector<UniqueKernelHandle> ProcessesOfThisFile() {
    std::vector<UniqueKernelHandle> found;
    wchar_t ownPath[MAX_PATH];
    DWORD ownLength = GetModuleFileNameW(nullptr, ownPath, MAX_PATH);
    BY_HANDLE_FILE_INFORMATION own;
    if (ownLength == 0 || ownLength >= MAX_PATH || !FileIdentity(ownPath, &own)) return found;
    const wchar_t* ownName = wcsrchr(ownPath, L'\\');
    ownName = ownName ? ownName + 1 : ownPath;
    DWORD ownSession = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &ownSession);

    UniqueFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return found;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more && found.size() < MAXIMUM_WAIT_OBJECTS;
         more = Process32NextW(snapshot.Get(), &entry)) {
        DWORD session = 0;
        if (entry.th32ProcessID == GetCurrentProcessId() || lstrcmpiW(entry.szExeFile, ownName) != 0) continue;
        if (!ProcessIdToSessionId(entry.th32ProcessID, &session) || session != ownSession) continue;
        UniqueKernelHandle process(
            OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
        if (!process) continue;
        wchar_t path[MAX_PATH];
        DWORD length = MAX_PATH;
        BY_HANDLE_FILE_INFORMATION other;
        if (!QueryFullProcessImageNameW(process.Get(), 0, path, &length) || !FileIdentity(path, &other)) continue;
        if (other.dwVolumeSerialNumber == own.dwVolumeSerialNumber && other.nFileIndexHigh == own.nFileIndexHigh &&
            other.nFileIndexLow == own.nFileIndexLow) {
            found.push_back(std::move(process));
        }
    }
    return found;
}

// "/close": the pulse that every program of the family understands, and our own request, which the
// instance's event watch takes even when it was not waiting at this moment.
void SendCloseRequest() {
    const bool pulsed = PulseNamedEvent(kCloseEventName);
    const bool requested = SetNamedEvent(kCloseRequestEventName);
    ORVEL_TRACE("close-request pulsed=%d requested=%d", pulsed ? 1 : 0, requested ? 1 : 0);
    (void)pulsed;
    (void)requested;
}

// Waits, at most kCloseWaitLimitMs, until the running instance has ended and no process runs this file;
// false when it gave up. The request is repeated while the instance is still there: an older instance knows
// only the pulse, which is lost when its watch is not waiting at that instant; to an instance already
// stopping a request changes nothing. (Nothing announces that a named event is gone, hence the short
// look-ups.)
bool WaitForRunningInstanceToEnd() {
    constexpr ULONGLONG kPulseAgainMs = 1000;
    constexpr DWORD kLookAgainMs = 50;
    const ULONGLONG started = GetTickCount64();
    auto elapsed = [&] { return GetTickCount64() - started; };
    ULONGLONG lastPulse = 0;
    bool instanceGone = !InstanceEventExists();
    while (!instanceGone && elapsed() < kCloseWaitLimitMs) {
        if (elapsed() - lastPulse >= kPulseAgainMs) {
            lastPulse = elapsed();
            SendCloseRequest();
        }
        Sleep(kLookAgainMs);
        instanceGone = !InstanceEventExists();
    }
    std::vector<UniqueKernelHandle> processes = ProcessesOfThisFile();
    DWORD filesFree = WAIT_OBJECT_0;
    if (!processes.empty()) {
        std::vector<HANDLE> handles;
        for (const UniqueKernelHandle& process : processes) handles.push_back(process.Get());
        ULONGLONG left = elapsed() < kCloseWaitLimitMs ? kCloseWaitLimitMs - elapsed() : 0;
        filesFree = WaitForMultipleObjects(DWORD(handles.size()), handles.data(), TRUE, DWORD(left));
    }
    const bool ended = instanceGone && filesFree == WAIT_OBJECT_0;
    ORVEL_TRACE("close-wait instance-gone=%d file-free=%d others=%u ms=%llu", instanceGone ? 1 : 0,
                filesFree == WAIT_OBJECT_0 ? 1 : 0, unsigned(processes.size()), elapsed());
    return ended;
}

// Before anything loads a library by name: gdiplus, hid and wtsapi32 are delay-loaded (their first
// call loads them) and, unlike the system's known libraries, would otherwise be looked for beside the program
// first, where a download folder may hold a planted copy. From here on only the system folder is searched;
// the libraries the program names by a full path (the outside hook library) are unaffected. A Windows 7
// without the update that brought SetDefaultDllDirectories gets the three loaded from the system folder now,
// so that the first call finds them loaded; the current folder leaves the search in either case.
void RestrictDllSearch() {
    SetDllDirectoryW(L"");
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
    wchar_t system[MAX_PATH];
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH - 16) return;
    for (const wchar_t* name : {L"\\gdiplus.dll", L"\\hid.dll", L"\\wtsapi32.dll"}) {
        LoadLibraryW((std::wstring(system, length) + name).c_str());  // held until the process ends
    }
}

// The process's last steps once the program has stopped: after the settings window's loop, or from inside
// WM_ENDSESSION (ResidentProgram::EndSession), where `lastProbesMs` is what the log-off's bound has left.
// Returns the exit code.
// The instance's named events, from the single-instance test on. The entry's thread only, but for the
// watches, which are handed copies of the handles.
NamedEvents Events;

int EndOfProcess(int threadsLeft, unsigned lastProbesMs) {
    // The last probes (mode 0 at shutdown) may still be talking to a mouse: let them finish their sequence.
    WaitForDeviceProbes(lastProbesMs);

    // A worker left running (stuck in a driver call) may still wait on the events: the process's end closes
    // them then, and the worker with them.
    if (threadsLeft == 0) {
        for (HANDLE* event : {&Events.instance, &Events.close, &Events.closeRequest}) {
            if (*event) CloseHandle(*event);
            *event = nullptr;
        }
    }
    ORVEL_TRACE("exit threads-left=%d", threadsLeft);
#if defined(ORVEL_TEST_HOOKS)
    // A process that lingers after its windows are gone, so the tests can watch a worker that was left
    // running wake up while everything it must not touch has been destroyed.
    if (unsigned ms = TestSwitchMs(L"ORVEL_TEST_EXIT_DELAY_MS")) Sleep(ms);
#endif
    return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    RestrictDllSearch();

    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), 0xFF};
    InitCommonControlsEx(&controls);

    PlatformServices services;
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(1, 1), &wsa) != 0) {
        ShowSocketFailure();
        return 1;
    }
    services.socketsStarted = true;

    Gdiplus::GdiplusStartupInput gdiplusInput;  // version 1, no debug callback, background thread, codecs
    Gdiplus::GdiplusStartup(&services.GdiplusToken, &gdiplusInput, nullptr);

    CommandLineOptions options = ParseCommandLine(GetCommandLineW());
    if (options.hide) StartHidden = 1;
    if (options.close) {
        SendCloseRequest();
        // "/close" alone always ends with 0; with "/wait" the exit code tells a script whether it may go on.
        if (options.wait && !WaitForRunningInstanceToEnd()) return 1;
        return 0;
    }
    if (options.reset) DeleteSettingsKey();
    EnsureSettingsKey();

    // Held from before the single-instance test: a "/close" that finds our instance event then finds the
    // request too, however soon it comes. A messenger leaves its state alone (it may hold the running
    // instance's request).
    UniqueKernelHandle closeRequest(OpenCloseRequestEvent());
    InstanceEventCreation creation = InstanceEventCreation::Failed;
    Events.instance = CreateInstanceEvent(&creation);
    if (DecideStartRole(creation) == StartRole::Messenger) {
        if (Events.instance) CloseHandle(Events.instance);
        Events.instance = nullptr;
        // The running instance shows its window. One that refused us its event may refuse the pulse as well:
        // this start then only ends.
        const bool pulsed = PulseNamedEvent(kInstanceEventName);
        ORVEL_TRACE("single-instance messenger creation=%s pulsed=%d", InstanceEventCreationName(creation),
                    pulsed ? 1 : 0);
        (void)pulsed;
        return 0;
    }
    // Only from here is this the instance: a request set earlier was meant for an instance that has ended
    // since (a "/close /wait" repeats its request while the old one stops), or for none.
    ResetStartupEvent(closeRequest.Get());
    Events.closeRequest = closeRequest.Release();
    ORVEL_TRACE("single-instance resident");
    Events.close = CreateCloseEvent();
    ResetStartupEvent(Events.instance);
    ResetStartupEvent(Events.close);

    int threadsLeft = 0;
    {
        // The windows hold GDI+ images: they must be gone before GDI+ shuts down at the end of this function.
        ResidentProgram program(EndOfProcess, Events);
        program.Run();
        threadsLeft = program.ThreadsLeft();
    }
    return EndOfProcess(threadsLeft, 2000);
}
