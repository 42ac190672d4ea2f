#include "mainwindow/KestanAssistantDlg_win.h"

#include "device/DeviceLink_win.h"
#include "input/Hooks_win.h"
#include "input/WorkerThreads_win.h"
#include "mainwindow/CloseWatch_win.h"
#include "mainwindow/MainWindowRules.h"
#include "mainwindow/ProgramDir.h"
#include "mainwindow/SettingsView_win.h"
#include "overlays/BoardDlg_win.h"
#include "overlays/CircleDlg_win.h"
#include "overlays/CursorDlg_win.h"
#include "overlays/LayeredWindow_win.h"
#include "overlays/ZuItemList_win.h"
#include "resources/resource.h"
#include "shell/AppModel_win.h"
#include "shell/ProcessState.h"
#include "shell/SingleInstance_win.h"
#include "switcher/Dwm_win.h"
#include "switcher/ExposeDlg_win.h"
#include "tilt/TiltScroll_win.h"
#include "toolkit/Trace_win.h"

#include <algorithm>

CKestanAssistantDlg* MainWindow = nullptr;
EXPOSE_DLG* ExposeWindow = nullptr;
CircleDLG* CircleWindow = nullptr;
CursorDlg* CursorWindow = nullptr;
BoardDlg* BoardWindow = nullptr;
ZuItemList* PickerWindow = nullptr;
ZuTipDLG* TheTip = nullptr;
std::wstring ProgramDir;

namespace {
// Owned by the main window's initialisation and destruction; main thread only.
UniqueMenu TrayMenu;
NOTIFYICONDATAW TrayIconData;
int TrayDoubleClicked = 0;
UniqueModule HookLibrary;
UniqueModule DwmLibrary;
HANDLE TiltEventEv = nullptr;  // "TiltQV24GWaitEventtouchev": only other processes wait on it

// The module's own file name, however long: GetModuleFileNameW cuts silently when the buffer is short.
std::wstring ModuleFileName() {
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, name.data(), DWORD(name.size()));
        if (n == 0) return {};
        if (n < name.size()) {
            name.resize(n);
            return name;
        }
        if (name.size() >= 32768) return {};
        name.resize(name.size() * 2);
    }
}

// Registers the mouse and the four vendor collections of the supported mice; all reach this window even
// while it is hidden or in the background.
bool RegisterRawInput(HWND target) {
    const USHORT pages[] = {0x0001, 0xFF12, 0xFF29, 0xFF31, 0xFF18};
    RAWINPUTDEVICE entries[5];
    for (int i = 0; i < 5; ++i) {
        entries[i].usUsagePage = pages[i];
        entries[i].usUsage = i == 0 ? 0x0002 : 0x0001;
        entries[i].dwFlags = RIDEV_INPUTSINK;
        entries[i].hwndTarget = target;
    }
    return RegisterRawInputDevices(entries, 5, sizeof(RAWINPUTDEVICE)) != FALSE;
}

UniqueKernelHandle StartThread(LPTHREAD_START_ROUTINE body, void* parameter) {
    return UniqueKernelHandle(CreateThread(nullptr, 0, body, parameter, 0, nullptr));
}
}  // namespace

const MessageEntry<CKestanAssistantDlg> CKestanAssistantDlg::kMessages[] = {
    {WM_INITDIALOG, &CKestanAssistantDlg::OnInitDialog},
    {WM_PAINT, &CKestanAssistantDlg::OnPaint},
    {WM_ERASEBKGND, &CKestanAssistantDlg::OnEraseBackground},
    {WM_QUERYDRAGICON, &CKestanAssistantDlg::OnQueryDragIcon},
    {WM_INPUT, &CKestanAssistantDlg::OnRawInputMessage},
    {kTrayCallbackMessage, &CKestanAssistantDlg::OnTrayNotify},
    {WM_DEVICECHANGE, &CKestanAssistantDlg::OnDeviceChange},
    {WM_TIMER, &CKestanAssistantDlg::OnTimer},
    {WM_COMMAND, &CKestanAssistantDlg::OnCommand},
    {WM_DESTROY, &CKestanAssistantDlg::OnDestroy},
};

CKestanAssistantDlg::CKestanAssistantDlg() {
    appIcon = LoadIconW(ResourceModule(), MAKEINTRESOURCEW(IDR_MAINFRAME));
}

CKestanAssistantDlg::~CKestanAssistantDlg() {
    if (trayIcon) DestroyIcon(trayIcon);
}

Dialog::Reply CKestanAssistantDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (taskbarCreatedMessage != 0 && message == taskbarCreatedMessage) {
        AddTrayIcon();  // Explorer restarted and forgot the icon
        return PassOn();
    }
    return DispatchMessageTable(this, kMessages, message, wParam, lParam);
}

// ------------------------------------------------------------------------------------------ initialisation

Dialog::Reply CKestanAssistantDlg::OnInitDialog(WPARAM, LPARAM) {
    HWND hwnd = Hwnd();
    exposeCheckBox = GetDlgItem(hwnd, IDC_EXPOSE_CHECK);

    SendMessageW(hwnd, WM_SETICON, ICON_BIG, LPARAM(appIcon));
    SendMessageW(hwnd, WM_SETICON, ICON_SMALL, LPARAM(appIcon));
    SetWindowTextW(hwnd, L"Orvel Mouse Assistant");

    InitDeviceProbeLock();
    ProgramDir = ProgramDirFromModulePath(ModuleFileName());
    RegisterHidNotifications(hwnd);

    TrayMenu.Reset(LoadMenuW(ResourceModule(), MAKEINTRESOURCEW(IDR_TRAYMENU)));
    taskbarCreatedMessage = RegisterWindowMessageW(L"TaskbarCreated");
    AddTrayIcon();

    LoadLanguageFile(ProgramDir);
    MainWindow = this;
    BuildFunctionCatalogue();

    CreateOverlays();
    LoadBackground();

    if (StartHidden == 1) SetTimer(hwnd, kStartHiddenTimer, 100, nullptr);
    if (!RegisterRawInput(hwnd)) MessageBoxW(hwnd, L"error", L"Orvel Mouse Assistant", MB_OK);
    InvalidateRect(hwnd, nullptr, FALSE);

    StartWorkerThreads();  // steps 21 to 26: indicator, timers, instance watch, settings, tilt, close watch

    mouseHook.Reset(SetWindowsHookExW(WH_MOUSE_LL, MouseHookProc, GetModuleHandleW(nullptr), 0));
    LoadHookLibrary();
    comInitialised = SUCCEEDED(CoInitialize(nullptr));
    foregroundHook.Reset(SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr,
                                         ForegroundEventProc, 0, 0, WINEVENT_OUTOFCONTEXT));
    return Handled(TRUE);
}

void CKestanAssistantDlg::AddTrayIcon() {
    if (!trayIcon) {
        trayIcon = HICON(LoadImageW(ResourceModule(), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, 16, 16, 0));
    }
    ZeroMemory(&TrayIconData, sizeof TrayIconData);
    TrayIconData.cbSize = sizeof(NOTIFYICONDATAW);
    TrayIconData.hWnd = Hwnd();
    TrayIconData.uID = kTrayIconId;
    TrayIconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    TrayIconData.uCallbackMessage = kTrayCallbackMessage;
    TrayIconData.hIcon = trayIcon;
    lstrcpynW(TrayIconData.szTip, L"Orvel Mouse Assistant", ARRAYSIZE(TrayIconData.szTip));
    Shell_NotifyIconW(NIM_ADD, &TrayIconData);
}

void CKestanAssistantDlg::CreateOverlays() {
    ExposeWindow = new EXPOSE_DLG();
    DwmLibrary.Reset(LoadDwmEntryPoints(Dwm));
    ExposeWindow->Create();

    CircleWindow = new CircleDLG();
    CircleWindow->Create();

    CursorWindow = new CursorDlg();
    CursorWindow->Create();
    SetWindowPos(CursorWindow->Hwnd(), nullptr, 0, 0, 32, 32, SWP_NOMOVE | SWP_NOZORDER);
    MakeWindowLayered(CursorWindow->Hwnd(), WS_EX_TRANSPARENT | WS_EX_TOOLWINDOW);

    MakeWindowLayered(Hwnd(), 0);

    BoardWindow = new BoardDlg();
    BoardWindow->Create(FindWindowW(L"Progman", nullptr));

    PickerWindow = new ZuItemList(1, 144);
    PickerWindow->Create();
}

void CKestanAssistantDlg::LoadBackground() {
    backgroundImage = LoadPngResource(IDB_BACKGROUND);
    if (!backgroundImage) return;
    Gdiplus::Bitmap& image = *backgroundImage;
    backgroundBitmap = ToGdiBitmap(image);
    SetWindowRgn(Hwnd(), RegionFromBitmap(image), FALSE);  // the system owns the region from here on
    int width = int(image.GetWidth()), height = int(image.GetHeight());
    SetWindowPos(Hwnd(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
    // The template leaves the window at the screen's top-left corner, over the notification area of
    // desktops that keep it there; a settings window belongs in the middle of the work area.
    RECT work;
    if (SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0)) {
        int x = work.left + (work.right - work.left - width) / 2;
        int y = work.top + (work.bottom - work.top - height) / 2;
        SetWindowPos(Hwnd(), nullptr, std::max(int(work.left), x), std::max(int(work.top), y), 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER);
    }
}

void CKestanAssistantDlg::StartWorkerThreads() {
    HWND hwnd = Hwnd();
    GestureTipTicks = 24;
    workerThreads.push_back(StartThread(GestureTipThread, this));
    SetTimer(hwnd, kFirstPaintTimer, 2, nullptr);
    SetTimer(hwnd, kPickerWatchTimer, 100, nullptr);
    workerThreads.push_back(StartThread(InstanceWatchThread, this));

    LoadAndSaveSettings();

    TiltEvent = CreateEventW(nullptr, TRUE, TRUE, L"TiltQV24GWaitEventtouch");
    ResetEvent(TiltEvent);
    TiltEventEv = CreateEventW(nullptr, TRUE, TRUE, L"TiltQV24GWaitEventtouchev");
    ResetEvent(TiltEventEv);

    workerThreads.push_back(StartThread(TiltScrollThread, this));
    workerThreads.push_back(StartThread(CloseWatchThread, this));
}

void CKestanAssistantDlg::LoadHookLibrary() {
    // Always the full path in the program's folder, so no other copy can be picked up.
    std::wstring path = ProgramDir + L"ZuHOOK.DLL";
    HookLibrary.Reset(LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!HookLibrary) return;
    using SetHookFunction = BOOL(WINAPI*)(HWND board, int enable, const wchar_t* tag, int keyCode);
    auto setHook = reinterpret_cast<SetHookFunction>(
        reinterpret_cast<void*>(GetProcAddress(HookLibrary.Get(), "SetHook")));
    if (setHook) setHook(BoardWindow ? BoardWindow->Hwnd() : nullptr, 1, L"z24hk", 13);
    (void)GetProcAddress(HookLibrary.Get(), "CBTProc");  // looked up; nothing uses it
}

// ------------------------------------------------------------------------------------------ painting

Dialog::Reply CKestanAssistantDlg::OnPaint(WPARAM, LPARAM) {
    PaintSettingsView(Hwnd(), appIcon, backgroundImage, backgroundBitmap.Get());
    if (!firstFrameTraced && IsWindowVisible(Hwnd())) {
        firstFrameTraced = true;
        ORVEL_TRACE("first-frame");
    }
    return Handled(0);
}

Dialog::Reply CKestanAssistantDlg::OnEraseBackground(WPARAM, LPARAM) { return Handled(TRUE); }

Dialog::Reply CKestanAssistantDlg::OnQueryDragIcon(WPARAM, LPARAM) { return Handled(LRESULT(appIcon)); }

// ------------------------------------------------------------------------------------------ input, devices

Dialog::Reply CKestanAssistantDlg::OnRawInputMessage(WPARAM, LPARAM lParam) {
    OnRawInput(HRAWINPUT(lParam));
    return PassOn();
}

void CKestanAssistantDlg::OnRawInput(HRAWINPUT) {
    // The decoding of the mouse's records and vendor reports comes with the input subsystem.
}

// An arriving HID interface is probed on a thread of its own; the system's handling follows in every case.
Dialog::Reply CKestanAssistantDlg::OnDeviceChange(WPARAM wParam, LPARAM lParam) {
    ::OnDeviceChange(wParam, lParam);
    return PassOn();
}

// ------------------------------------------------------------------------------------------ notification icon

Dialog::Reply CKestanAssistantDlg::OnTrayNotify(WPARAM wParam, LPARAM lParam) {
    if (wParam != kTrayIconId) return PassOn();
    TrayReaction reaction = OnTrayMouseMessage(unsigned(LOWORD(lParam)), TrayDoubleClicked);
    HWND hwnd = Hwnd();
    if (reaction.restoreWindow) {
        ShowWindow(hwnd, SW_RESTORE);
        BringWindowToTop(hwnd);
        SetForegroundWindow(hwnd);
    }
    if (reaction.stopMenuTimer) KillTimer(hwnd, kTrayMenuTimer);
    if (reaction.restoreWindow) InvalidateRect(hwnd, nullptr, FALSE);
    if (reaction.menuTimerMs) SetTimer(hwnd, kTrayMenuTimer, reaction.menuTimerMs, nullptr);
    return PassOn();
}

void CKestanAssistantDlg::ShowTrayMenu() {
    POINT at;
    GetCursorPos(&at);
    SetForegroundWindow(Hwnd());
    if (HMENU popup = GetSubMenu(TrayMenu.Get(), 0)) {
        TrackPopupMenu(popup, TPM_RIGHTBUTTON, at.x, at.y, 0, Hwnd(), nullptr);
    }
}

// ------------------------------------------------------------------------------------------ timers

Dialog::Reply CKestanAssistantDlg::OnTimer(WPARAM wParam, LPARAM) {
    HWND hwnd = Hwnd();
    switch (wParam) {
    case kFirstPaintTimer:
        if (IsWindowVisible(hwnd)) {
            KillTimer(hwnd, kFirstPaintTimer);
            InvalidateRect(hwnd, nullptr, FALSE);
        }
        break;
    case kPickerWatchTimer:
        // Watches a picker opened by a button function; the picker comes with the action dispatcher.
        break;
    case kStartHiddenTimer: {
        StartHiddenStep step = OnStartHiddenTick(StartHidden, IsWindowVisible(hwnd) != FALSE);
        if (step.hideWindow) {
            ShowWindow(hwnd, SW_HIDE);
            StartHidden = 0;
        }
        if (step.stopTimer) KillTimer(hwnd, kStartHiddenTimer);
        if (step.hideWindow) SetTimer(hwnd, kForegroundTimer, 800, nullptr);
        break;
    }
    case kForegroundTimer:
        KillTimer(hwnd, kForegroundTimer);
        SetForegroundWindow(hwnd);
        break;
    case kTrayMenuTimer:
        ShowTrayMenu();
        KillTimer(hwnd, kTrayMenuTimer);
        break;
    default:
        break;
    }
    return Handled(0);
}

// ------------------------------------------------------------------------------------------ commands

Dialog::Reply CKestanAssistantDlg::OnCommand(WPARAM wParam, LPARAM) {
    switch (LOWORD(wParam)) {
    case IDCANCEL:  // also Escape, Alt+F4 and the close box
        if (StopFlag != 0) StopHandshake();
        return Handled(0);
    case ID_SYSTEM_SHOW:
        OnShowCommand();
        return Handled(0);
    case ID_SYSTEM_EXIT:
        OnExitCommand();
        return Handled(0);
    default:  // OK (also Enter) and the check box: nothing
        return Handled(0);
    }
}

void CKestanAssistantDlg::OnShowCommand() {
    HWND hwnd = Hwnd();
    // The menu always draws "Show" enabled; the command itself is dropped while the window is visible.
    if (!ShowCommandEnabled(IsWindowVisible(hwnd) != FALSE)) return;
    ShowWindow(hwnd, SW_SHOWNORMAL);
    if (IsIconic(hwnd)) ShowWindow(hwnd, SW_RESTORE);
    SetForegroundWindow(hwnd);
}

void CKestanAssistantDlg::OnExitCommand() {
    DeviceMode = 0;
    StopFlag = 1;
    PulseEvent(CloseEvent);
}

void CKestanAssistantDlg::ShowFromOutside() {
    HWND hwnd = Hwnd();
    Sleep(100);
    ShowWindow(hwnd, SW_SHOWNORMAL);
    Sleep(100);
    SetForegroundWindow(hwnd);
    Sleep(100);
    BringWindowToTop(hwnd);
    Sleep(300);
    InvalidateRect(hwnd, nullptr, FALSE);
}

// The cancel command once a stop was requested: wake every waiting worker so it sees StopFlag, wait until the
// instance watcher has ended, then end the dialog.
void CKestanAssistantDlg::StopHandshake() {
    ORVEL_TRACE("stop-handshake");
    if (TiltEventEv) PulseEvent(TiltEventEv);
    PulseEvent(InstanceEvent);
    if (TiltEvent) PulseEvent(TiltEvent);
    // The instance watcher may be between two waits (showing the window after a second start) and miss one
    // pulse, so pulse again while waiting, and give up after two seconds rather than hang the program.
    for (int waited = 0; StopFlag != 2 && waited < 2000; waited += 2) {
        Sleep(2);
        if (waited % 100 == 98) PulseEvent(InstanceEvent);
    }
    Sleep(10);
    HANDLE tilt = TiltEvent;
    TiltEvent = nullptr;
    if (tilt) CloseHandle(tilt);
    EndDialog(IDCANCEL);
}

// ------------------------------------------------------------------------------------------ destruction

Dialog::Reply CKestanAssistantDlg::OnDestroy(WPARAM, LPARAM) {
    ORVEL_TRACE("stop");
    Shell_NotifyIconW(NIM_DELETE, &TrayIconData);
    if (PickerWindow) PickerWindow->Hide();
    if (CursorWindow && CursorWindow->Hwnd()) PostMessageW(CursorWindow->Hwnd(), WM_CLOSE, 0, 0);
    if (ExposeWindow && ExposeWindow->Hwnd()) PostMessageW(ExposeWindow->Hwnd(), WM_CLOSE, 0, 0);
    if (PickerWindow && PickerWindow->Hwnd()) PostMessageW(PickerWindow->Hwnd(), WM_CLOSE, 0, 0);
    HookLibrary.Reset();
    mouseHook.Reset();
    if (foregroundHook) {
        foregroundHook.Reset();
        if (comInitialised) CoUninitialize();
    }
    Sleep(10);
    StopWorkerThreads();
    return PassOn();
}

// Nothing may be left running that still uses this window or the events start-up is about to close: wake
// the workers that wait without time limit, and wait for them (bounded, a hung one must not keep the
// program alive).
void CKestanAssistantDlg::StopWorkerThreads() {
    if (StopFlag == 0) StopFlag = 1;
    std::vector<HANDLE> running;
    for (UniqueKernelHandle& thread : workerThreads) {
        if (thread && WaitForSingleObject(thread.Get(), 0) == WAIT_TIMEOUT) running.push_back(thread.Get());
    }
    // The close watcher may still be in its shutdown pass (it ended the dialog itself or is about to):
    // up to three seconds for it and the others. Messages other threads send to our windows meanwhile
    // (a worker showing or moving one) are answered, so that no worker waits on this thread forever.
    const ULONGLONG deadline = GetTickCount64() + 3000;
    while (!running.empty() && GetTickCount64() < deadline) {
        PulseEvent(InstanceEvent);
        if (TiltEvent) PulseEvent(TiltEvent);
        DWORD count = DWORD(running.size());
        DWORD r = MsgWaitForMultipleObjects(count, running.data(), FALSE, 20, QS_SENDMESSAGE);
        if (r < WAIT_OBJECT_0 + count) {
            running.erase(running.begin() + (r - WAIT_OBJECT_0));
        } else if (r == WAIT_OBJECT_0 + count) {
            MSG msg;
            PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
    }
    workerThreads.clear();
}
