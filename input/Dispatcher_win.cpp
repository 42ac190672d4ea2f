#include "input/Dispatcher_win.h"

#include "input/Dispatcher.h"
#include "input/ShellActions_win.h"
#include "mainwindow/KestanAssistantDlg_win.h"
#include "mainwindow/MainWindowRules.h"
#include "mainwindow/ResidentProgram_win.h"
#include "overlays/BoardDlg_win.h"
#include "overlays/ZuItemList_win.h"
#include "shell/AppModel_win.h"
#include "switcher/ExposeDlg_win.h"
#include "switcher/ExposeState.h"
#include "toolkit/Trace_win.h"

#include <utility>

namespace {

// The window in front when a group's list last opened at the pointer. UI thread only.
HWND ForegroundBeforeGroup = nullptr;

// Each event goes out on its own, in the order built.
void SendKeys(const KeyEvents& keys) {
    for (const KeyEvent& k : keys) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = k.vk;
        // Windows ignores wVk beside a scan code; Wine takes it as the message's key and would otherwise
        // deliver a key of code 0.
        if ((k.flags & kKeyScanCode) && k.vk == 0) {
            const UINT scan = k.scan | ((k.flags & kKeyExtended) ? 0xE000u : 0u);
            input.ki.wVk = WORD(MapVirtualKeyW(scan & 0xE0FF, MAPVK_VSC_TO_VK_EX));
        }
        input.ki.wScan = k.scan;
        input.ki.dwFlags = k.flags;
        input.ki.time = 0;
        input.ki.dwExtraInfo = ULONG_PTR(GetMessageExtraInfo());
        SendInput(1, &input, sizeof(INPUT));
    }
    ORVEL_TRACE("keys-sent %d", keys.count);
}

// A button that carries a group: its members at the pointer, in a list that runs the choice at once.
void OpenGroup(int groupId) {
    if (!PickerWindow) return;
    POINT cursor;
    GetCursorPos(&cursor);
    ForegroundBeforeGroup = GetForegroundWindow();
    if (MainWindow && IsWindowVisible(MainWindow->Hwnd())) {
        ShowWindow(MainWindow->Hwnd(), SW_HIDE);
        SetTimer(MainWindow->Hwnd(), kForegroundTimer, kForegroundAfterHidingMs, nullptr);
    }
    PickerWindow->Hide();
    PickerWindow->SetItems(FunctionCatalogue.entries, groupId);
    PickerWindow->ShowAt(cursor.x - 1, cursor.y - 1, 1);
}

DispatchContext CurrentContext() {
    DispatchContext context;
    context.boardVisible = BoardWindow && BoardWindow->IsShown();
    context.switcherVisible = ExposeWindow && ExposeWindow->IsShown();
    context.overviewBusy = Expose.busy != 0;
    return context;
}

}  // namespace

void RunFunctionAt(int position) {
    if (position < 0) return;
    const DispatchDecision d = DecideRun(FunctionCatalogue, position, CurrentContext());
    ORVEL_TRACE("function-run %d", position);
    switch (d.kind) {
    case DispatchKind::Nothing:
        break;
    case DispatchKind::OpenGroup:
        OpenGroup(d.groupId);
        break;
    case DispatchKind::RaiseBoard:
        SetWindowPos(BoardWindow->Hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        break;
    case DispatchKind::StartOverview:
        if (!ExposeWindow) break;
        Expose.busy = 1;  // the switcher clears it once its overview is up
        ExposeWindow->RunOverview();
        break;
    case DispatchKind::MyComputer:
        RequestShellAction(ShellAction::MyComputer);
        break;
    case DispatchKind::ShowDesktop:
        RequestShellAction(ShellAction::ShowDesktop);
        break;
    case DispatchKind::Calculator:
        RequestShellAction(ShellAction::Calculator);
        break;
    case DispatchKind::Keys:
        SendKeys(d.keys);
        break;
    case DispatchKind::ToggleBoard:
        if (BoardWindow) BoardWindow->ToggleMode(d.boardMode);
        break;
    }
}

void RunGroupChoice(int position) {
    HWND before = std::exchange(ForegroundBeforeGroup, nullptr);
    if (before && IsWindow(before) && before != GetForegroundWindow()) SetForegroundWindow(before);
    RunFunctionAt(position);
}

void ReleaseFunctionAt(int position) {
    const DispatchDecision d = DecideRelease(FunctionCatalogue, position);
    if (d.kind == DispatchKind::Keys) SendKeys(d.keys);
}
