#include "mainwindow/MainWindowRules.h"

TrayReaction OnTrayMouseMessage(unsigned mouseMessage, int& trayDoubleClicked) {
    TrayReaction reaction;
    switch (mouseMessage) {
    case kTrayLeftUp:
        if (trayDoubleClicked == 0) reaction.menuTimerMs = kMenuAfterLeftClickMs;
        trayDoubleClicked = 0;
        break;
    case kTrayLeftDoubleClick:
        reaction.restoreWindow = true;
        reaction.stopMenuTimer = true;
        trayDoubleClicked = 1;
        break;
    case kTrayRightUp:
        reaction.menuTimerMs = kMenuAfterRightClickMs;
        break;
    default:
        break;
    }
    return reaction;
}

std::vector<unsigned> ShellMessagesToAdmit(unsigned taskbarCreated) {
    // RegisterWindowMessage hands out numbers from this range only; anything else would be a system message.
    constexpr unsigned kFirstRegistered = 0xC000, kLastRegistered = 0xFFFF;
    std::vector<unsigned> admitted{kTrayCallbackMessage};
    if (taskbarCreated >= kFirstRegistered && taskbarCreated <= kLastRegistered) admitted.push_back(taskbarCreated);
    return admitted;
}

StartHiddenStep OnStartHiddenTick(int startHidden, bool windowVisible) {
    StartHiddenStep step;
    if (startHidden != 1) {
        step.stopTimer = true;
    } else if (windowVisible) {
        step.stopTimer = true;
        step.hideWindow = true;
    }
    return step;
}

SessionStep OnSessionMessage(SessionMessage message, bool stopUnderWay, bool alreadyEnding) {
    SessionStep step;
    switch (message) {
    case SessionMessage::Query:
        step.allowEnd = true;
        break;
    case SessionMessage::Ending:
        if (alreadyEnding) break;
        step.requestStop = !stopUnderWay;
        step.endProgram = true;
        break;
    case SessionMessage::Cancelled:
        break;
    }
    return step;
}

unsigned SessionEndTimeLeft(unsigned elapsedMs) {
    return elapsedMs < kSessionEndBoundMs ? kSessionEndBoundMs - elapsedMs : 0;
}

SettingsDpiStep OnSettingsDpiChanged(const DisplayScale& current, int newDpi, const PixelRect& suggested,
                                     bool minimised) {
    SettingsDpiStep step;
    step.scale = current;
    const DisplayScale next = DisplayScale::FromDpi(newDpi);
    if (next.dpi != newDpi) return step;  // FromDpi fell back to 96: not a DPI anybody meant
    step.scale = next;
    step.rescale = next != current;
    const PixelSize size = SettingsWindowSize(next);
    if (minimised) {
        step.resizeRestored = step.rescale;
        step.restoredSize = size;
        return step;
    }
    if (suggested.Empty()) return step;
    step.place = true;
    step.rect = PixelRect{suggested.left, suggested.top, suggested.left + size.width, suggested.top + size.height};
    return step;
}
