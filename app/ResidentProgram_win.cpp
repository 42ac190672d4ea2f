#include "app/ResidentProgram_win.h"

#include "app/EventWatch_win.h"
#include "app/SessionNotices_win.h"
#include "app/SingleInstance_win.h"
#include "device/DeviceLink_win.h"
#include "input/ForegroundHook_win.h"
#include "input/MouseHook_win.h"
#include "input/RawInput_win.h"
#include "input/ShellActions_win.h"
#include "mainwindow/HookLibrary_win.h"
#include "mainwindow/KestanAssistantDlg_win.h"
#include "mainwindow/ProgramDir.h"
#include "overlays/BoardDlg_win.h"
#include "overlays/CircleDlg_win.h"
#include "overlays/CursorDlg_win.h"
#include "overlays/ImageCache_win.h"
#include "overlays/LayeredWindow_win.h"
#include "overlays/ZuItemList_win.h"
#include "overlays/ZuTipDLG_win.h"
#include "resources/resource.h"
#include "shell/AppModel_win.h"
#include "shell/Names.h"
#include "shell/ProcessState.h"
#include "switcher/ExposeDlg_win.h"
#include "tilt/TiltScroll_win.h"
#include "toolkit/Trace_win.h"
#include "toolkit/UiThread_win.h"
#include "toolkit/WorkerThread_win.h"

#include <cstdlib>

namespace {

constexpr int kButtonFunctionPicker = 1;  // the picker's mode when a button function opens it

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

}  // namespace

ResidentProgram::ResidentProgram(ProcessEnd processEnd, const NamedEvents& events)
    : processEnd_(processEnd), events_(events) {}

ResidentProgram::~ResidentProgram() { Stop(); }

void ResidentProgram::Run() {
    // What the first frame shows is read while the window is created: the texts, the functions and the stored
    // settings (files and the registry; nothing of a window's).
    modelLoad_.Start([this] {
        programDir_ = ProgramDirFromModulePath(ModuleFileName());
        LoadLanguageFile(model_, programDir_);
        BuildFunctionCatalogue(model_);
        LoadStoredSettings(model_);
    });
    window_ = std::make_unique<CKestanAssistantDlg>(*this, model_);
    window_->RunModal(IDD_KESTANASSISTANT_DIALOG);
    Stop();  // the window's destruction did it already, unless the window never came up
    window_.reset();
}

void ResidentProgram::EndSession(unsigned lastProbesMs) noexcept {
    if (window_) window_->Destroy();
    Stop();  // the window's destruction did it already, unless the window never came up
    // Never back into the window procedure. The process's own end (the atexit work) runs as after a return
    // from wWinMain; the settings window's object and its GDI+ pictures are not destroyed, so GDI+ is not shut
    // down, and neither are the sockets: the system reclaims both.
    std::exit(processEnd_(threadsLeft_, lastProbesMs));
}

void ResidentProgram::RequestClose() { ::RequestClose(events_.close); }

bool ResidentProgram::WaitForCloseDeviceWork(DWORD timeoutMs) { return WaitForCloseWatchDeviceWork(timeoutMs); }

void ResidentProgram::PulseInstanceEvent() noexcept {
    if (events_.instance) PulseEvent(events_.instance);
}

template <class Part>
Part& ResidentProgram::Own(std::unique_ptr<Part> part) {
    Part& started = *part;
    parts_.push_back(std::move(part));
    started.Start(owner_);
    return started;
}

// The program's start-up, in its fixed order, inside the settings window's WM_INITDIALOG. The first frame
// comes first, from what it shows (the texts, the functions, the stored settings, the picture: both read
// while the window was created), and is on the screen while the rest is made. Messages other programs send
// (a display change, a log-off) can still arrive while a step waits on another process (the notification
// icon): their handlers take a part that is not there yet as absent, as they always had to.
void ResidentProgram::Start(CKestanAssistantDlg& window) {
    started_ = true;
    HWND main = window.Hwnd();
    owner_ = main;
    StopEvent();        // before any worker can wait on it
    UiThread::Open();   // before any worker can post to the UI thread

    InitDeviceProbeLock();
    modelLoad_.Join();
    MakeWindowLayered(main, 0);
    window.LoadPicture();
    window.ShowFirstFrame();
    // After the frame: under Wine each icon handed over costs a few milliseconds of conversion for the
    // window manager (the template gave the window its title already).
    window.SetIconsAndTitle();

    RegisterHidNotifications(main);
    window.AddNotificationIcon();
    ProgramWindows windows;
    windows.settings = main;
    windows.switcher = Own(std::make_unique<EXPOSE_DLG>()).Hwnd();
    windows.magnifier = Own(std::make_unique<CircleDLG>()).Hwnd();
    windows.gesture = Own(std::make_unique<CursorDlg>()).Hwnd();
    windows.board = Own(std::make_unique<BoardDlg>()).Hwnd();
    windows.picker = Own(std::make_unique<ZuItemList>(kButtonFunctionPicker, IDB_FOLDER)).Hwnd();
    Own(std::make_unique<TooltipPart>());  // the tooltip comes with the first tip
    window.SetWindows(windows);

    window.ArmStartHiddenTimer();
    if (!RegisterRawInput(main)) MessageBoxW(main, L"error", kProgramTitle, MB_OK);

    Own(std::make_unique<GestureTipThread>(windows.gesture));
    window.ArmFirstPaintTimer();  // the picker watch (timer 3) runs only while a picker is shown
    SaveAllSettings(model_);  // range-corrected values to the registry, and every connected mouse configured
    CreateTiltEvents();
    Own(std::make_unique<TiltScrolling>());
    Own(std::make_unique<EventWatch>(events_.instance, events_.close, events_.closeRequest));
    Own(std::make_unique<MouseHookThread>(windows.board));
    Own(std::make_unique<HookLibrary>(programDir_, windows.board));
    Own(std::make_unique<ForegroundWatch>(windows.board));
    Own(std::make_unique<ShellActions>());  // My Computer, Show desktop and the calculator, off the UI thread
    Own(std::make_unique<SessionNotices>(main));  // unlocks, to configure the mice again
    window.ArmWarmUpTimer();
    // The first frame came before the parts: the tests wait for this line before they drive the program.
    ORVEL_TRACE("start-up done");
#if defined(ORVEL_TEST_HOOKS)
    // A window's method called from another thread on purpose, so that the tests see the thread check end
    // the process where the fault is.
    if (TestSwitchMs(L"ORVEL_TEST_WRONG_THREAD") != 0) {
        WorkerThread stray;
        stray.Start("wrong-thread", [&window] { window.SetWindows(ProgramWindows{}); });
        stray.Join(INFINITE);
        ORVEL_TRACE("wrong-thread unchecked");
    }
#endif
}

void ResidentProgram::Stop() noexcept {
    if (!started_ || stopped_) return;
    stopped_ = true;
    AdvanceStop(ProgramStop, StopPhase::Stopping);
    SignalStop();  // every worker wakes now, whatever it waits for
    // The settings window's handles go first: nothing it handles from now on reaches a part that is stopping.
    if (window_) window_->SetWindows(ProgramWindows{});
    for (auto it = parts_.rbegin(); it != parts_.rend(); ++it) {
        if (!(*it)->Stop()) ++threadsLeft_;
        it->reset();
    }
    parts_.clear();
    // The events a worker may still wait on stay open while any is left (the process's end closes them).
    if (threadsLeft_ == 0) CloseTiltEvents();
    UiThread::Close();  // what workers post from now on is dropped
    ReleaseCachedPngs();  // before GDI+ shuts down
    ORVEL_TRACE("parts-stopped threads-left=%d", threadsLeft_);
}
