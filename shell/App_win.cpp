// The process entry: starts the platform services, reads the command line, makes sure only one instance runs
// in the logon, creates the two events through which other processes talk to it, and runs the settings window
// modally for the whole life of the process.
#include <winsock2.h>  // before anything that brings in <windows.h>

#include "device/DeviceLink_win.h"
#include "mainwindow/ResidentProgram_win.h"
#include "overlays/Gdiplus_win.h"
#include "resources/resource.h"
#include "shell/CommandLine.h"
#include "shell/Names.h"
#include "shell/ProcessState.h"
#include "shell/Settings_win.h"
#include "shell/SingleInstance_win.h"
#include "toolkit/Trace_win.h"

#include <commctrl.h>

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

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Keep the current folder out of the DLL search: every library the program loads later is named by a
    // full path or comes from the system folder.
    SetDllDirectoryW(L"");

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
        PulseNamedEvent(kCloseEventName);
        return 0;
    }
    if (options.reset) DeleteSettingsKey();
    EnsureSettingsKey();

    bool alreadyRunning = false;
    InstanceEvent = CreateInstanceEvent(&alreadyRunning);
    if (alreadyRunning) {
        CloseHandle(InstanceEvent);
        InstanceEvent = nullptr;
        PulseNamedEvent(kInstanceEventName);  // the running instance shows its window
        return 0;
    }
    CloseEvent = CreateCloseEvent();
    ResetStartupEvent(InstanceEvent);
    ResetStartupEvent(CloseEvent);

    int threadsLeft = 0;
    {
        // The windows hold GDI+ images: they must be gone before GDI+ shuts down at the end of this function.
        ResidentProgram program;
        program.Run();
        threadsLeft = program.ThreadsLeft();
    }
    // The last probes (mode 0 at shutdown) may still be talking to a mouse: let them finish their sequence.
    WaitForDeviceProbes(2000);

    // A worker left running (stuck in a driver call) may still wait on the events: the process's end closes
    // them then, and the worker with them.
    if (threadsLeft == 0) {
        if (InstanceEvent) CloseHandle(InstanceEvent);
        if (CloseEvent) CloseHandle(CloseEvent);
        InstanceEvent = CloseEvent = nullptr;
    }
    ORVEL_TRACE("exit threads-left=%d", threadsLeft);
#if defined(ORVEL_TEST_HOOKS)
    // A process that lingers after its windows are gone, so the tests can watch a worker that was left
    // running wake up while everything it must not touch has been destroyed.
    if (unsigned ms = TestSwitchMs(L"ORVEL_TEST_EXIT_DELAY_MS")) Sleep(ms);
#endif
    return 0;
}
