#include "app/SessionNotices_win.h"

#include <wtsapi32.h>

void SessionNotices::Start(HWND) {
    registered_ = WTSRegisterSessionNotification(window_, NOTIFY_FOR_THIS_SESSION) != FALSE;
}

bool SessionNotices::Stop() noexcept {
    if (registered_) WTSUnRegisterSessionNotification(window_);
    registered_ = false;
    return true;
}
