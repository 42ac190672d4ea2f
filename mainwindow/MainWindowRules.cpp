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
