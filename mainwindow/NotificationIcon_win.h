#pragma once
// The settings window's notification-area icon and its menu ("Show", "Exit"). A left click opens the menu
// after half a second unless a double click follows (which restores the window instead); a right click
// opens it at once. The icon comes back when Explorer restarts ("TaskbarCreated"); that message and the
// icon's callback are let through to its window from Explorer's lower integrity (ShellMessagesToAdmit).
//
// Main thread only; the settings window hands it the icon's callback message and timer 202.
#include "mainwindow/MainWindowRules.h"
#include "toolkit/Dialog_win.h"
#include "toolkit/Handle_win.h"

#include <shellapi.h>

namespace msg {
struct TrayCallback {
    UINT iconId;
    UINT mouseMessage;  // WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONUP, ...
};
template <>
inline TrayCallback Decode<TrayCallback>(WPARAM w, LPARAM l) {
    return {UINT(w), UINT(LOWORD(l))};
}
}  // namespace msg

class NotificationIcon {
public:
    explicit NotificationIcon(HWND owner) : owner_(owner) {}

    // Loads the menu and lets Explorer's messages through (once), and adds the icon; again after
    // "TaskbarCreated".
    void Add();
    // Removes the icon; the first thing the program does when it stops.
    void Remove();
    // After a resume or an unlock: the icon is added again if the shell lost it.
    void Restore();

    // The shell's callback message (kTrayCallbackMessage).
    void OnCallback(const msg::TrayCallback& callback);
    // The window's WM_TIMER: true when it was the icon's menu timer.
    bool OnTimer(UINT_PTR id);
    // The registered "TaskbarCreated" message (0 until Add).
    UINT TaskbarCreatedMessage() const noexcept { return taskbarCreated_; }

private:
    void ShowMenu();
    void AdmitShellMessages();

    HWND owner_;
    UniqueMenu trayMenu_;
    UniqueIcon trayIcon_;  // icon group 128 at 16 x 16
    NOTIFYICONDATAW trayIconData_{};  // kept for the removal
    int trayDoubleClicked_ = 0;
    UINT taskbarCreated_ = 0;
    bool shellMessagesAdmitted_ = false;
};
