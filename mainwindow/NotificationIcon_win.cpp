#include "mainwindow/NotificationIcon_win.h"

#include "resources/resource.h"
#include "shell/Names.h"
#include "toolkit/Trace_win.h"

namespace {
constexpr int kSmallIconPixels = 16;
}  // namespace

void NotificationIcon::Add() {
    if (!trayMenu_) trayMenu_.Reset(LoadMenuW(ResourceModule(), MAKEINTRESOURCEW(IDR_TRAYMENU)));
    if (!taskbarCreated_) taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
    if (!shellMessagesAdmitted_) AdmitShellMessages();
    if (!trayIcon_) {
        trayIcon_.Reset(HICON(LoadImageW(ResourceModule(), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                         kSmallIconPixels, kSmallIconPixels, 0)));
    }
    trayIconData_ = NOTIFYICONDATAW{};
    trayIconData_.cbSize = sizeof(NOTIFYICONDATAW);
    trayIconData_.hWnd = owner_;
    trayIconData_.uID = kTrayIconId;
    trayIconData_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    trayIconData_.uCallbackMessage = kTrayCallbackMessage;
    trayIconData_.hIcon = trayIcon_.Get();
    lstrcpynW(trayIconData_.szTip, kProgramTitle, ARRAYSIZE(trayIconData_.szTip));
    Shell_NotifyIconW(NIM_ADD, &trayIconData_);
}

// Windows drops what Explorer, at medium integrity, sends the program's windows unless the window admits it.
// Done once for the window's life; where nothing is filtered (Wine) it changes nothing.
void NotificationIcon::AdmitShellMessages() {
    shellMessagesAdmitted_ = true;
    for (unsigned message : ShellMessagesToAdmit(taskbarCreated_)) {
        BOOL admitted = ChangeWindowMessageFilterEx(owner_, message, MSGFLT_ALLOW, nullptr);
        ORVEL_TRACE("message-filter hwnd=%llu allow=0x%x ok=%d", (unsigned long long)owner_, message,
                    admitted ? 1 : 0);
        (void)admitted;
    }
}

void NotificationIcon::Restore() {
    if (trayIconData_.cbSize == 0 || !Shell_NotifyIconW(NIM_MODIFY, &trayIconData_)) Add();
}

void NotificationIcon::Remove() {
    if (trayIconData_.cbSize == 0) return;  // never added
    Shell_NotifyIconW(NIM_DELETE, &trayIconData_);
    trayIconData_.cbSize = 0;
}

void NotificationIcon::OnCallback(const msg::TrayCallback& callback) {
    if (callback.iconId != kTrayIconId) return;
    TrayReaction reaction = OnTrayMouseMessage(callback.mouseMessage, trayDoubleClicked_);
    if (reaction.restoreWindow) {
        ShowWindow(owner_, SW_RESTORE);
        BringWindowToTop(owner_);
        SetForegroundWindow(owner_);
    }
    if (reaction.stopMenuTimer) KillTimer(owner_, kTrayMenuTimer);
    if (reaction.restoreWindow) InvalidateRect(owner_, nullptr, FALSE);
    if (reaction.menuTimerMs) SetTimer(owner_, kTrayMenuTimer, reaction.menuTimerMs, nullptr);
}

bool NotificationIcon::OnTimer(UINT_PTR id) {
    if (id != kTrayMenuTimer) return false;
    ShowMenu();
    KillTimer(owner_, kTrayMenuTimer);
    return true;
}

void NotificationIcon::ShowMenu() {
    POINT at;
    GetCursorPos(&at);
    // The menu closes when the user clicks elsewhere only if its owner is the foreground window.
    SetForegroundWindow(owner_);
    if (HMENU popup = GetSubMenu(trayMenu_.Get(), 0)) {
        TrackPopupMenu(popup, TPM_RIGHTBUTTON, at.x, at.y, 0, owner_, nullptr);
    }
}
