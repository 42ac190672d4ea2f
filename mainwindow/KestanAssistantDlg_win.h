#pragma once
// The settings window: the program's one long-lived window, run modally for the life of the process. It
// owns the notification icon, receives raw input and device notices, paints the settings view and takes the
// commands of its menu. Bringing up and taking down the rest of the program is its owner's work
// (ProgramOwner), which its WM_INITDIALOG and WM_DESTROY hand over to.
//
// Threads: the window belongs to the main thread. Other threads reach it only through work posted to the UI
// thread (UiThread::Post), which finds it by its handle (Dialog::From), and through EndDialog.
#include "input/ProgramWindows_win.h"
#include "mainwindow/NotificationIcon_win.h"
#include "mainwindow/ProgramOwner_win.h"
#include "mainwindow/SettingsView_win.h"
#include "shell/AppModel_win.h"
#include "switcher/ExposeState.h"
#include "switcher/WindowPicture_win.h"
#include "toolkit/Dialog_win.h"

#include <memory>
#include <vector>


class CKestanAssistantDlg : public Dialog, public ShownFrameSource {
public:
    // `model`: the program's model, which the owner keeps for the window's life.
    CKestanAssistantDlg(ProgramOwner& program, AppModel& model);

    // The window's own steps of the start-up, called by its owner in the start-up order.
    void SetIconsAndTitle();
    void AddNotificationIcon();
    void LoadPicture();          // the background picture, the window's shape and size, centred
    void ShowFirstFrame();       // the first frame made and presented now, the window shown
    void PrepareFirstFrame();    // the first paint's work, in turns of the loop of its own ahead of it
    void ArmStartHiddenTimer();  // timer 11, after "/hide"
    void ArmFirstPaintTimer();   // timer 1
    void ArmWarmUpTimer();       // the first uses' work, done ahead

    // The other windows of the program, as the owner has started them (none before, none after the stop).
    void SetWindows(const ProgramWindows& started) {
        CheckWindowThread(Hwnd(), "CKestanAssistantDlg::SetWindows");
        windows = started;
    }
    const ProgramWindows& Windows() const noexcept { return windows; }

    // A picker was opened from the settings view: watch it (timer 3) until none is shown any more.
    void WatchPicker();

    // Runs the function at a catalogue position, as a button press does; its release half. Anything outside
    // the catalogue does nothing.
    void RunFunction(int function);
    void ReleaseFunction(int function);

    // The settings view, for the benchmark.
    SettingsView* View() { return view.get(); }
    // The switcher's picture of this window: the frame last presented (a layered window's WM_PRINT does not
    // draw it).
    bool CopyShownFrame(HDC dc, int width, int height) override { return view && view->CopyShown(dc, width, height); }

protected:
    Reply OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool PreTranslateMessage(MSG& msg) override;

private:
    Reply OnInitDialog();
    Reply OnPaint();
    Reply OnEraseBackground();
    Reply OnQueryDragIcon();
    Reply OnSetCursor(msg::SetCursor cursor);
    Reply OnRawInput(msg::RawInput input);
    Reply OnTrayNotify(msg::TrayCallback callback);
    Reply OnDeviceChange(msg::DeviceChange change);
    Reply OnTimer(msg::Timer timer);
    Reply OnCommand(msg::Command command);
    Reply OnDestroy();
    Reply OnPowerBroadcast(msg::Params params);
    Reply OnSessionChange(msg::Params params);
    Reply OnDisplayChange();
    Reply OnShowWindow(msg::Params params);
    Reply OnDpiChanged(msg::Params params);
    Reply OnGetDpiScaledSize(msg::Params params);
    Reply OnQueryEndSession(msg::EndSession query);
    Reply OnEndSession(msg::EndSession end);
#if defined(ORVEL_TEST_HOOKS)
    Reply OnTestChannel(msg::Params params);
#endif
    static const MessageEntry<CKestanAssistantDlg> kMessages[];

    bool TakePictureShape();  // the view's picture for its scale, and the window's shape from it
    void TakeShape(UniqueRegion made = {});  // the window's shape: `made` ahead from the view's picture, or now
    static DisplayScale StartScale(HWND window);   // the scale of the monitor the window is centred on
    void OnShowCommand();
    void StopHandshake();
    void WatchPickerTick();
    void AfterResume();
    void AfterDisplayChange(const std::vector<SwitcherRect>& monitors);

    ProgramOwner& program;
    AppModel& model;
    ProgramWindows windows;  // settings is this window's own handle once the others are started
    HICON appIcon = nullptr;        // icon group 128, shared: not destroyed
    HWND exposeCheckBox = nullptr;  // control 1000 of the template; bound but never read
    std::unique_ptr<SettingsView> view;
    PngPrefetch firstPicture;  // the background, decoded while the window and the model are made
    std::unique_ptr<NotificationIcon> tray;
    bool firstFrameTraced = false;
    int warmUpStep = 0;  // the next step of the warm-up (timer 401)
    bool endingSession = false;  // WM_ENDSESSION is stopping the program
};
