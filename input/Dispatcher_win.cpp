#include "input/Dispatcher_win.h"

#include "input/Dispatcher.h"
#include "input/ShellActions_win.h"
#include "mainwindow/MainWindowRules.h"
#include "overlays/BoardDlg_win.h"
#include "overlays/ZuItemList_win.h"
#include "shell/AppModel_win.h"
#include "shell/ProcessState.h"
#include "switcher/ExposeDlg_win.h"
#include "switcher/ExposeState.h"
#include "toolkit/Trace_win.h"

#include <utility>

namespace {

// The window in front when a group's list last opened at the pointer. UI thread only.
HWND ForegroundBeforeGroup = nullptr;

// A group choice's key strokes waiting for the window they are meant for (see kGroupKeysBoundMs). UI thread
// only; position -1 while none waits.
struct WaitingKeys {
    int position = -1;
    HWND window = nullptr;
    unsigned long long sinceMs = 0;
    UINT_PTR timer = 0;  // a thread timer of the UI thread while they wait
    ProgramWindows windows;  // what the function reaches when the keys go
    const AppModel* model = nullptr;  // the resident program's, which outlives every timer of the UI thread
};
WaitingKeys Waiting;

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
void OpenGroup(int groupId, const AppModel& model, const ProgramWindows& windows) {
    ZuItemList* picker = Dialog::From<ZuItemList>(windows.picker);
    if (!picker) return;
    POINT cursor;
    GetCursorPos(&cursor);
    ForegroundBeforeGroup = GetForegroundWindow();
    if (windows.settings && IsWindowVisible(windows.settings)) {
        ShowWindow(windows.settings, SW_HIDE);
        SetTimer(windows.settings, kForegroundTimer, kForegroundAfterHidingMs, nullptr);
    }
    picker->Hide();
    picker->SetItems(model.catalogue.entries, groupId);
    picker->ShowAt(cursor.x - 1, cursor.y - 1, 1);
}

DispatchContext CurrentContext(const ProgramWindows& windows) {
    DispatchContext context;
    const BoardDlg* board = Dialog::From<BoardDlg>(windows.board);
    EXPOSE_DLG* switcher = Dialog::From<EXPOSE_DLG>(windows.switcher);
    context.boardVisible = board && board->IsShown();
    context.switcherVisible = switcher && switcher->IsShown();
    context.overviewBusy = switcher && switcher->State().busy != 0;
    return context;
}

}  // namespace

void RunFunctionAt(int position, const AppModel& model, const ProgramWindows& windows) {
    if (position < 0) return;
    const DispatchDecision d = DecideRun(model.catalogue, position, CurrentContext(windows));
    ORVEL_TRACE("function-run %d", position);
    switch (d.kind) {
    case DispatchKind::Nothing:
        break;
    case DispatchKind::OpenGroup:
        OpenGroup(d.groupId, model, windows);
        break;
    case DispatchKind::RaiseBoard:
        SetWindowPos(windows.board, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        break;
    case DispatchKind::StartOverview: {
        EXPOSE_DLG* switcher = Dialog::From<EXPOSE_DLG>(windows.switcher);
        if (!switcher) break;
        switcher->State().busy = 1;  // the switcher clears it once its overview is up
        switcher->RunOverview();
        break;
    }
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
        if (BoardDlg* board = Dialog::From<BoardDlg>(windows.board)) board->ToggleMode(d.boardMode);
        break;
    }
}

namespace {

// The window is the foreground window, and its thread has taken the activation: it is the active window there
// and something of it has the focus. Until then key strokes reach none of its windows.
bool WindowReadyForKeys(HWND window) {
    if (GetForegroundWindow() != window) return false;
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return thread != 0 && GetGUIThreadInfo(thread, &info) && info.hwndActive == window && info.hwndFocus != nullptr;
}

void SendWaitingKeys(const char* why) {
    if (Waiting.timer) KillTimer(nullptr, Waiting.timer);
    const WaitingKeys keys = std::exchange(Waiting, WaitingKeys{});
    ORVEL_TRACE("group-keys sent %s after %llu ms", why, GetTickCount64() - keys.sinceMs);
    (void)why;
    RunFunctionAt(keys.position, *keys.model, keys.windows);
}

void CALLBACK CheckWaitingKeys(HWND, UINT, UINT_PTR, DWORD) noexcept {
    if (Waiting.position < 0 || StopUnderWay()) {
        if (Waiting.timer) KillTimer(nullptr, Waiting.timer);
        Waiting = WaitingKeys{};
        return;
    }
    switch (DecideGroupKeys(WindowReadyForKeys(Waiting.window), GetTickCount64() - Waiting.sinceMs)) {
    case GroupKeysStep::Wait:
        break;
    case GroupKeysStep::SendWindowReady:
        SendWaitingKeys("target-ready");
        break;
    case GroupKeysStep::SendAtBound:
        SendWaitingKeys("bound");
        break;
    }
}

}  // namespace

void RunGroupChoice(int position, const AppModel& model, const ProgramWindows& windows) {
    // A choice made while the last one's keys still wait: those go first, as they were chosen first.
    if (Waiting.position >= 0) SendWaitingKeys("next-choice");
    HWND before = std::exchange(ForegroundBeforeGroup, nullptr);
    if (!before || !IsWindow(before)) {
        RunFunctionAt(position, model, windows);
        return;
    }
    if (before != GetForegroundWindow()) SetForegroundWindow(before);
    if (!ChoiceWaitsForItsWindow(DecideRun(model.catalogue, position, CurrentContext(windows)))) {
        RunFunctionAt(position, model, windows);
        return;
    }
    // The keys go once the window has taken the foreground back, looked at on a timer: the UI thread never
    // waits for another program.
    Waiting = WaitingKeys{position, before, GetTickCount64(), 0, windows, &model};
    if (WindowReadyForKeys(before)) {
        SendWaitingKeys("target-ready");
        return;
    }
    Waiting.timer = SetTimer(nullptr, 0, kGroupKeysCheckMs, CheckWaitingKeys);
    if (!Waiting.timer) SendWaitingKeys("no-timer");
}

void ReleaseFunctionAt(int position, const AppModel& model) {
    const DispatchDecision d = DecideRelease(model.catalogue, position);
    if (d.kind == DispatchKind::Keys) SendKeys(d.keys);
}
