#include "mainwindow/KestanAssistantDlg_win.h"

#include "device/DeviceLink_win.h"
#include "input/Dispatcher_win.h"
#include "input/MouseHook_win.h"
#include "input/RawInput_win.h"
#include "mainwindow/MainWindowRules.h"
#include "mainwindow/SettingsView_win.h"
#include "mainwindow/TestChannel.h"
#include "mainwindow/WarmUp_win.h"
#include "overlays/BoardDlg_win.h"
#include "overlays/CircleDlg_win.h"
#include "overlays/ImageCache_win.h"
#include "overlays/ZuItemList_win.h"
#include "resources/resource.h"
#include "shell/Names.h"
#include "shell/ProcessState.h"
#include "switcher/ExposeDlg_win.h"
#include "switcher/WindowList_win.h"
#include "tilt/TiltScroll_win.h"
#include "toolkit/Dpi_win.h"
#include "toolkit/LoopStats_win.h"
#include "toolkit/ObjectCounts_win.h"
#include "toolkit/Trace_win.h"
#include "toolkit/UiThread_win.h"
#include "toolkit/WorkerThread_win.h"

#include <wtsapi32.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {
// WM_GETDPISCALEDSIZE (Windows 10 1703), which the SDK headers of older toolchains lack.
constexpr UINT kGetDpiScaledSizeMessage = 0x02E4;
}  // namespace

const MessageEntry<CKestanAssistantDlg> CKestanAssistantDlg::kMessages[] = {
    {WM_INITDIALOG, On<&CKestanAssistantDlg::OnInitDialog>},
    {WM_PAINT, On<&CKestanAssistantDlg::OnPaint>},
    {WM_ERASEBKGND, On<&CKestanAssistantDlg::OnEraseBackground>},
    {WM_QUERYDRAGICON, On<&CKestanAssistantDlg::OnQueryDragIcon>},
    {WM_SETCURSOR, On<&CKestanAssistantDlg::OnSetCursor>},
    {WM_INPUT, On<&CKestanAssistantDlg::OnRawInput>},
    {kTrayCallbackMessage, On<&CKestanAssistantDlg::OnTrayNotify>},
    {WM_DEVICECHANGE, On<&CKestanAssistantDlg::OnDeviceChange>},
    {WM_TIMER, On<&CKestanAssistantDlg::OnTimer>},
    {WM_COMMAND, On<&CKestanAssistantDlg::OnCommand>},
    {WM_DESTROY, On<&CKestanAssistantDlg::OnDestroy>},
    {WM_POWERBROADCAST, On<&CKestanAssistantDlg::OnPowerBroadcast>},
    {WM_WTSSESSION_CHANGE, On<&CKestanAssistantDlg::OnSessionChange>},
    {WM_DISPLAYCHANGE, On<&CKestanAssistantDlg::OnDisplayChange>},
    {WM_SHOWWINDOW, On<&CKestanAssistantDlg::OnShowWindow>},
    {WM_QUERYENDSESSION, On<&CKestanAssistantDlg::OnQueryEndSession>},
    {WM_ENDSESSION, On<&CKestanAssistantDlg::OnEndSession>},
    {WM_DPICHANGED, On<&CKestanAssistantDlg::OnDpiChanged>},
    {kGetDpiScaledSizeMessage, On<&CKestanAssistantDlg::OnGetDpiScaledSize>},
#if defined(ORVEL_TEST_HOOKS)
    {WM_COPYDATA, On<&CKestanAssistantDlg::OnTestChannel>},
#endif
};

CKestanAssistantDlg::CKestanAssistantDlg(ProgramOwner& owner, AppModel& shown) : program(owner), model(shown) {
    appIcon = LoadIconW(ResourceModule(), MAKEINTRESOURCEW(IDR_MAINFRAME));
    // The start-up's longest single step, on the second core while this thread makes the window.
    const DisplayScale scale = StartScale(nullptr);
    firstPicture.Start(SettingsView::BackgroundId(scale), SettingsView::PhotoId(scale));
}

Dialog::Reply CKestanAssistantDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (tray && message != 0 && message == tray->TaskbarCreatedMessage()) {
        tray->Add();  // Explorer restarted and forgot the icon
        return PassOn();
    }
    return DispatchMessageTable(*this, kMessages, message, wParam, lParam);
}

// ------------------------------------------------------------------------------------------ start-up

bool CKestanAssistantDlg::PreTranslateMessage(MSG& msg) { return view && view->PreTranslate(msg); }

Dialog::Reply CKestanAssistantDlg::OnInitDialog() {
    exposeCheckBox = GetDlgItem(Hwnd(), IDC_EXPOSE_CHECK);
    // The template's OK, Cancel and check box stay for their commands (Enter, Escape, closing), but the
    // picture covers them: shown, they would catch the clicks meant for the picture (a drag, say).
    for (int control : {IDOK, IDCANCEL, IDC_EXPOSE_CHECK}) ShowWindow(GetDlgItem(Hwnd(), control), SW_HIDE);
    view = std::make_unique<SettingsView>(Hwnd(), appIcon, windows, model);
    program.Start(*this);
    return Handled(TRUE);  // the system sets the focus
}

void CKestanAssistantDlg::SetIconsAndTitle() {
    SendMessageW(Hwnd(), WM_SETICON, ICON_BIG, LPARAM(appIcon));
    SendMessageW(Hwnd(), WM_SETICON, ICON_SMALL, LPARAM(appIcon));
    SetWindowTextW(Hwnd(), kProgramTitle);
}

void CKestanAssistantDlg::AddNotificationIcon() {
    tray = std::make_unique<NotificationIcon>(Hwnd());
    tray->Add();
}

// The window is about to be centred in the work area, so it draws at the DPI of the monitor that holds that
// middle, not of the corner the template left it in.
DisplayScale CKestanAssistantDlg::StartScale(HWND window) {
    RECT work;
    if (SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0)) {
        return DisplayScale::FromDpi(DpiForPoint(POINT{(work.left + work.right) / 2, (work.top + work.bottom) / 2}));
    }
    return window ? DisplayScale::FromDpi(DpiForWindow(window)) : DisplayScale{};
}

void CKestanAssistantDlg::LoadPicture() {
    view->SetScale(StartScale(Hwnd()));
    const int background = SettingsView::BackgroundId(view->Scale());
    PictureShape made = firstPicture.TakeShape(background);
    bool asDecoded = false;
    if (!view->LoadPictures(firstPicture.Take(background), std::move(made.bitmap), &asDecoded)) return;
    const int photo = SettingsView::PhotoId(view->Scale());
    AdoptCachedPng(photo, firstPicture.Take(photo));
    Gdiplus::Bitmap& image = *view->Background();
    const int width = int(image.GetWidth()), height = int(image.GetHeight());
    // The template leaves the window at the screen's top-left corner, over the notification area of
    // desktops that keep it there; a settings window belongs in the middle of the work area.
    RECT work;
    if (SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0)) {
        const int x = work.left + (work.right - work.left - width) / 2;
        const int y = work.top + (work.bottom - work.top - height) / 2;
        SetWindowPos(Hwnd(), nullptr, std::max(int(work.left), x), std::max(int(work.top), y), width, height,
                     SWP_NOZORDER);
    } else {
        SetWindowPos(Hwnd(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
    }
    // Shaped once it has its size: a shape given first is worked out again for the new size.
    TakeShape(asDecoded ? std::move(made.region) : UniqueRegion());
}

bool CKestanAssistantDlg::TakePictureShape() {
    if (!view->LoadPictures()) return false;
    TakeShape();
    return true;
}

void CKestanAssistantDlg::TakeShape(UniqueRegion made) {
    if (!made) made = RegionFromGdiBitmap(view->BackgroundBitmap());  // the view converted the picture already
    // The system owns the region from here on.
    SetWindowRgn(Hwnd(), made.Release(), FALSE);
    ORVEL_TRACE("view-scale dpi=%d size=%dx%d", view->Scale().dpi, int(view->Background()->GetWidth()),
                int(view->Background()->GetHeight()));
}

// Before it moves the window to a monitor of another DPI, Windows asks what size it will want there: the
// picture's at that scale (the dialog manager would scale the template's size instead, which is not ours).
Dialog::Reply CKestanAssistantDlg::OnGetDpiScaledSize(msg::Params params) {
    const DisplayScale next = DisplayScale::FromDpi(int(LOWORD(params.w)));
    auto* size = reinterpret_cast<SIZE*>(params.l);
    if (!size || next.dpi != int(LOWORD(params.w))) return PassOn();
    const PixelSize wanted = SettingsWindowSize(next);
    size->cx = wanted.width;
    size->cy = wanted.height;
    return Handled(TRUE);
}

// The window is drawn anew for the new DPI: its picture and shape for that scale, the layout and hit areas
// with the next paint. The prepared layers were made for the old scale and go.
Dialog::Reply CKestanAssistantDlg::OnDpiChanged(msg::Params params) {
    const RECT* suggested = reinterpret_cast<const RECT*>(params.l);
    const PixelRect rect = suggested ? PixelRect{suggested->left, suggested->top, suggested->right, suggested->bottom}
                                     : PixelRect{};
    const SettingsDpiStep step =
        OnSettingsDpiChanged(view ? view->Scale() : DisplayScale{}, int(LOWORD(params.w)), rect, IsIconic(Hwnd()));
    ORVEL_TRACE("view-dpi-changed dpi=%d rescale=%d place=%d", int(LOWORD(params.w)), step.rescale ? 1 : 0,
                step.place ? 1 : 0);
    if (!view) return Handled(0);
    if (step.rescale) view->SetScale(step.scale);
    if (step.place) {
        SetWindowPos(Hwnd(), nullptr, step.rect.left, step.rect.top, step.rect.right - step.rect.left,
                     step.rect.bottom - step.rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (step.resizeRestored) {
        WINDOWPLACEMENT placement{};
        placement.length = sizeof placement;
        if (GetWindowPlacement(Hwnd(), &placement)) {
            RECT& normal = placement.rcNormalPosition;
            normal.right = normal.left + step.restoredSize.width;
            normal.bottom = normal.top + step.restoredSize.height;
            SetWindowPlacement(Hwnd(), &placement);
        }
    }
    if (step.rescale) {
        TakePictureShape();
        // Hidden, it draws when it shows again (OnShowWindow makes its first frame ahead then).
        if (IsWindowVisible(Hwnd())) {
            PrepareFirstFrame();
            InvalidateRect(Hwnd(), nullptr, FALSE);
        }
    }
    return Handled(0);
}

// The program spends most of its life hidden: the settings picture's surfaces are let go while it is, and made
// ahead again, as at the start, when it shows.
Dialog::Reply CKestanAssistantDlg::OnShowWindow(msg::Params params) {
    if (view) {
        if (params.w) {
            PrepareFirstFrame();
        } else {
            view->ReleaseSurfaces();
            view->ReleasePictures();
            ORVEL_TRACE("view-released");
        }
    }
    return PassOn();
}

// Posted work runs before WM_PAINT, which the system makes only when nothing else waits; the two steps are two
// messages, so neither turn of the loop holds up input as long as the whole first paint would.
void CKestanAssistantDlg::PrepareFirstFrame() {
    UiThread::Post([window = Hwnd()] {
        CKestanAssistantDlg* self = Dialog::From<CKestanAssistantDlg>(window);
        if (!self || !self->view) return;
        if (self->view->PrepareStaticLayer()) ORVEL_TRACE("view-prepared static-layer");
        UiThread::Post([window] {
            CKestanAssistantDlg* later = Dialog::From<CKestanAssistantDlg>(window);
            if (later && later->view && later->view->PrepareFrame()) ORVEL_TRACE("view-prepared frame");
        });
    });
}

// At the start, before the rest of the program is made: both layers drawn and the frame presented while the
// window is still hidden, then the window shown (a layered window shows what was presented to it, so it
// comes up with its picture, and the paint that follows has nothing left to do). The template's WS_VISIBLE
// would show the window once WM_INITDIALOG returns; showing it now changes nothing else. "/hide" hides it by
// its timer, as always.
void CKestanAssistantDlg::ShowFirstFrame() {
    if (!view) return;
    if (view->PrepareStaticLayer()) ORVEL_TRACE("view-prepared static-layer");
    if (view->PrepareFrame()) ORVEL_TRACE("view-prepared frame");
    const bool presented = view->PresentPrepared();
    ShowWindow(Hwnd(), SW_SHOWNORMAL);
    if (presented) {
        firstFrameTraced = true;
        ORVEL_TRACE("first-frame");
    } else {
        RedrawWindow(Hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    }
}

void CKestanAssistantDlg::ArmStartHiddenTimer() {
    if (StartHidden == 1) SetTimer(Hwnd(), kStartHiddenTimer, kStartHiddenTimerMs, nullptr);
}

void CKestanAssistantDlg::ArmFirstPaintTimer() { SetTimer(Hwnd(), kFirstPaintTimer, kFirstPaintTimerMs, nullptr); }

void CKestanAssistantDlg::ArmWarmUpTimer() { SetTimer(Hwnd(), kWarmUpTimer, kWarmUpFirstMs, nullptr); }

void CKestanAssistantDlg::WatchPicker() { SetTimer(Hwnd(), kPickerWatchTimer, kPickerWatchTimerMs, nullptr); }

// ------------------------------------------------------------------------------------------ painting

Dialog::Reply CKestanAssistantDlg::OnPaint() {
    view->Paint();
    if (!firstFrameTraced && IsWindowVisible(Hwnd())) {
        firstFrameTraced = true;
        ORVEL_TRACE("first-frame");
    }
#if defined(ORVEL_TEST_HOOKS)
    // A paint that keeps the UI thread busy, for the test that shows the mouse hook does not wait for it:
    // every paint takes this long and asks for the next one.
    if (unsigned ms = TestSwitchMs(L"ORVEL_TEST_SLOW_PAINT_MS")) {
        ORVEL_TRACE("slow-paint");
        Sleep(ms);
        InvalidateRect(Hwnd(), nullptr, FALSE);
    }
#endif
    return Handled(0);
}

Dialog::Reply CKestanAssistantDlg::OnEraseBackground() { return Handled(TRUE); }

Dialog::Reply CKestanAssistantDlg::OnQueryDragIcon() { return Handled(LRESULT(appIcon)); }

// The hand over the markers, the Default button and the caption boxes; elsewhere the system's arrow.
Dialog::Reply CKestanAssistantDlg::OnSetCursor(msg::SetCursor cursor) {
    if (cursor.over == Hwnd() && view && view->SetCursorOver()) return Handled(TRUE);
    return PassOn();
}

// ------------------------------------------------------------------------------------------ input, devices

// The system's handling follows in every case.
Dialog::Reply CKestanAssistantDlg::OnRawInput(msg::RawInput input) {
    HandleRawInput(input.input, model, windows);
    return PassOn();
}

#if defined(ORVEL_TEST_HOOKS)
namespace {

// The monitors a message carries: `length` of them, each four int32 (left, top, right, bottom).
std::vector<SwitcherRect> ChannelMonitors(const TestChannelMessage& message) {
    int32_t v[4];
    std::vector<SwitcherRect> monitors(std::min<size_t>(message.length, sizeof message.bytes / sizeof v));
    for (size_t i = 0; i < monitors.size(); ++i) {
        std::memcpy(v, message.bytes + i * sizeof v, sizeof v);
        monitors[i] = {v[0], v[1], v[2], v[3]};
    }
    return monitors;
}

// Sends WM_DPICHANGED to every shown top-level window of this process, the overlays on their own threads
// included (with a bound: a test must not hang on one).
void PlayDpiChange(int dpi, int from) {
    struct Walk {
        DWORD process;
        std::vector<HWND> windows;
    } walk{GetCurrentProcessId(), {}};
    EnumWindows(
        [](HWND window, LPARAM data) WINAPI -> BOOL {
            auto* w = reinterpret_cast<Walk*>(data);
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            if (process == w->process && IsWindowVisible(window)) w->windows.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&walk));
    for (HWND window : walk.windows) {
        const int old = from > 0 ? from : DpiForWindow(window);
        RECT r{};
        GetWindowRect(window, &r);
        RECT suggested{r.left, r.top, r.left + MulDiv(r.right - r.left, dpi, old),
                       r.top + MulDiv(r.bottom - r.top, dpi, old)};
        DWORD_PTR answer = 0;
        SendMessageTimeoutW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested),
                            SMTO_ABORTIFHUNG, 1000, &answer);
    }
    ORVEL_TRACE("dpi-played dpi=%d windows=%u", dpi, unsigned(walk.windows.size()));
}

}  // namespace

// The tests' way in (see TestChannel.h): a report as the mouse would send it, or a function to run or release.
Dialog::Reply CKestanAssistantDlg::OnTestChannel(msg::Params params) {
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(params.l);
    if (!data || data->dwData != kTestChannelData || data->cbData != sizeof(TestChannelMessage)) return PassOn();
    TestChannelMessage message;
    std::memcpy(&message, data->lpData, sizeof message);
    if (std::memcmp(message.tag, kTestChannelTag, sizeof message.tag) != 0) return PassOn();
    ORVEL_TRACE("test-channel kind=%u", unsigned(message.kind));
    switch (message.kind) {
    case kChannelReport:
        HandleVendorReport(message.bytes, std::min<size_t>(message.length, sizeof message.bytes), model,
                           windows);
        break;
    case kChannelRun:
        RunFunction(message.function);
        break;
    case kChannelRelease:
        ReleaseFunction(message.function);
        break;
    case kChannelDropHook:
        DropMouseHookForTest();
        break;
    case kChannelResume:
        AfterResume();
        break;
    case kChannelStalls:
        ORVEL_TRACE("loop-stalls %s", LoopStallSummary().c_str());
        break;
    case kChannelDisplayChange:
        AfterDisplayChange(ChannelMonitors(message));
        break;
    case kChannelMonitors:
        UseMadeUpMonitors(ChannelMonitors(message));
        ORVEL_TRACE("switcher-monitors made-up=%u", unsigned(ChannelMonitors(message).size()));
        break;
    case kChannelRawInput: {
        std::string entries;
        for (const RawDeviceEntry& e : RegisteredRawInput()) {
            char entry[64];
            std::snprintf(entry, sizeof entry, " %x:%x:%x:%llu", unsigned(e.usagePage), unsigned(e.usage),
                          unsigned(e.flags), (unsigned long long)e.target);
            entries += entry;
        }
        ORVEL_TRACE("raw-input-devices%s", entries.c_str());
        break;
    }
    case kChannelBusy:
        Sleep(DWORD(std::clamp(message.function, 0, 10000)));
        break;
    case kChannelObjects:
        ORVEL_TRACE("objects %s", ObjectCountSummary().c_str());
        break;
    case kChannelDpiChange: {
        int32_t from = 0;
        if (message.length >= sizeof from) std::memcpy(&from, message.bytes, sizeof from);
        PlayDpiChange(message.function, from);
        break;
    }
    default:
        return Handled(FALSE);
    }
    return Handled(TRUE);
}
#endif

// An arriving HID interface is probed on a thread of its own; the system's handling follows in every case.
Dialog::Reply CKestanAssistantDlg::OnDeviceChange(msg::DeviceChange change) {
    ::OnDeviceChange(change.event, change.data);
    return PassOn();
}

Dialog::Reply CKestanAssistantDlg::OnTrayNotify(msg::TrayCallback callback) {
    if (tray) tray->OnCallback(callback);
    return PassOn();
}

// ------------------------------------------------------------------------------------------ sleep and lock

// A mouse may have been reset or replaced while the computer slept or the session was locked, and the system
// may have dropped the mouse hook or Explorer's icon meanwhile.
void CKestanAssistantDlg::AfterResume() {
    ORVEL_TRACE("resume");
    EnumerateAndProbeDevices();
    ReinstallMouseHook();
    if (tray) tray->Restore();
}

Dialog::Reply CKestanAssistantDlg::OnPowerBroadcast(msg::Params params) {
    if (params.w == PBT_APMRESUMEAUTOMATIC) AfterResume();
    return PassOn();
}

Dialog::Reply CKestanAssistantDlg::OnSessionChange(msg::Params params) {
    if (params.w == WTS_SESSION_UNLOCK) AfterResume();
    return PassOn();
}

// ------------------------------------------------------------------------------------------ log-off

// A log-off or shut-down is never held up; the work waits for WM_ENDSESSION, which says it really happens.
Dialog::Reply CKestanAssistantDlg::OnQueryEndSession(msg::EndSession query) {
    const SessionStep step = OnSessionMessage(SessionMessage::Query, StopUnderWay(), endingSession);
    ORVEL_TRACE("end-session query reasons=0x%llx answer=%d", (unsigned long long)query.reasons,
                step.allowEnd ? 1 : 0);
    (void)query;
    return Handled(step.allowEnd ? TRUE : FALSE);
}

// The session ends: Exit's stop gives the mice their own button meaning back (on the event watch, which the
// wait bounds), then the program stops and the process ends right here. Windows may end the process as soon
// as this message is answered, which would skip both.
Dialog::Reply CKestanAssistantDlg::OnEndSession(msg::EndSession end) {
    const SessionStep step = OnSessionMessage(end.ending ? SessionMessage::Ending : SessionMessage::Cancelled,
                                              StopUnderWay(), endingSession);
    if (!step.endProgram) {
        ORVEL_TRACE("end-session %s", end.ending ? "again" : "cancelled");
        return Handled(0);
    }
    endingSession = true;
    const ULONGLONG started = GetTickCount64();
    ORVEL_TRACE("end-session ending reasons=0x%llx stop=%s", (unsigned long long)end.reasons,
                step.requestStop ? "requested" : "under-way");
    if (step.requestStop) program.RequestClose();
    const bool done = program.WaitForCloseDeviceWork(kSessionEndDeviceWorkMs);
    const unsigned elapsed = unsigned(GetTickCount64() - started);
    ORVEL_TRACE("end-session device-work %s ms=%u", done ? "done" : "timed-out", elapsed);
    (void)done;
    StopHandshake();
    program.EndSession(SessionEndTimeLeft(elapsed));
    return Handled(0);  // never reached: the process ends inside EndSession
}

// ------------------------------------------------------------------------------------------ displays

// The overlays take the monitor under the pointer each time they open; only one open on a monitor that went
// away (or changed its size) has to end now.
void CKestanAssistantDlg::AfterDisplayChange(const std::vector<SwitcherRect>& monitors) {
    ORVEL_TRACE("display-change monitors=%d", int(monitors.size()));
    if (EXPOSE_DLG* switcher = Dialog::From<EXPOSE_DLG>(windows.switcher)) switcher->OnDisplayChange(monitors);
    std::vector<BoardRect> boardMonitors;
    for (const SwitcherRect& m : monitors) boardMonitors.push_back({m.left, m.top, m.right, m.bottom});
    if (BoardDlg* board = Dialog::From<BoardDlg>(windows.board)) board->OnDisplayChange(boardMonitors);
}

Dialog::Reply CKestanAssistantDlg::OnDisplayChange() {
    AfterDisplayChange(MonitorRects());
    return PassOn();
}

// ------------------------------------------------------------------------------------------ timers

Dialog::Reply CKestanAssistantDlg::OnTimer(msg::Timer timer) {
    HWND hwnd = Hwnd();
    if (tray && tray->OnTimer(timer.id)) return Handled(0);
    switch (timer.id) {
    case kFirstPaintTimer:
        if (IsWindowVisible(hwnd)) {
            KillTimer(hwnd, kFirstPaintTimer);
            InvalidateRect(hwnd, nullptr, FALSE);
        }
        break;
    case kPickerWatchTimer:
        WatchPickerTick();
        break;
    case kWarmUpTimer:
        WarmUpStep(warmUpStep, windows.picker, model);
        if (++warmUpStep < WarmUpSteps()) {
            SetTimer(hwnd, kWarmUpTimer, kWarmUpStepMs, nullptr);
        } else {
            KillTimer(hwnd, kWarmUpTimer);
            ORVEL_TRACE("warm-up done");
        }
        break;
    case kStartHiddenTimer: {
        StartHiddenStep step = OnStartHiddenTick(StartHidden, IsWindowVisible(hwnd) != FALSE);
        if (step.hideWindow) {
            ShowWindow(hwnd, SW_HIDE);
            StartHidden = 0;
            ORVEL_TRACE("start-hidden hidden");
        }
        if (step.stopTimer) KillTimer(hwnd, kStartHiddenTimer);
        if (step.hideWindow) SetTimer(hwnd, kForegroundTimer, kForegroundAfterHiddenStartMs, nullptr);
        break;
    }
    case kForegroundTimer:
        KillTimer(hwnd, kForegroundTimer);
        SetForegroundWindow(hwnd);
        ORVEL_TRACE("hidden-foreground");
        break;
    default:
        break;
    }
    return Handled(0);
}

// A picker opened from the settings view closes when another application takes the foreground (the
// magnifier, the settings window and the picker's own lists do not count). Pickers opened by a button close
// on clicks instead. The timer runs only while a picker is shown.
void CKestanAssistantDlg::WatchPickerTick() {
    ZuItemList* picker = Dialog::From<ZuItemList>(windows.picker);
    if (!picker || !picker->IsShown()) {
        KillTimer(Hwnd(), kPickerWatchTimer);
        return;
    }
    HWND foreground = GetForegroundWindow();
    const bool ours = foreground == Hwnd() || (windows.magnifier && foreground == windows.magnifier) ||
                      picker->ContainsWindow(foreground);
    if (picker->Opacity() == 255 && picker->Mode() == 0 && !ours) picker->Hide();
}

// ------------------------------------------------------------------------------------------ functions

void CKestanAssistantDlg::RunFunction(int function) { RunFunctionAt(function, model, windows); }

void CKestanAssistantDlg::ReleaseFunction(int function) { ReleaseFunctionAt(function, model); }

// ------------------------------------------------------------------------------------------ commands

Dialog::Reply CKestanAssistantDlg::OnCommand(msg::Command command) {
    switch (command.id) {
    case IDCANCEL:  // also Escape, Alt+F4 and the close box
        if (StopUnderWay()) StopHandshake();
        return Handled(0);
    case ID_SYSTEM_SHOW:
        OnShowCommand();
        return Handled(0);
    case ID_SYSTEM_EXIT:
        program.RequestClose();
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

// The cancel command once a stop was requested: other processes see the three events pulsed as always; the
// program's own workers see the stop event, which stays set, so none can miss it. The owner then waits for
// them while the window is destroyed.
void CKestanAssistantDlg::StopHandshake() {
    ORVEL_TRACE("stop-handshake");
    PulseTiltNoticeEvent();
    program.PulseInstanceEvent();
    PulseTiltEvent();
    SignalStop();
    EndDialog(IDCANCEL);
}

// ------------------------------------------------------------------------------------------ destruction

Dialog::Reply CKestanAssistantDlg::OnDestroy() {
    ORVEL_TRACE("stop");
    if (tray) tray->Remove();
    KillTimer(Hwnd(), kPickerWatchTimer);
    program.Stop();
    return PassOn();
}
