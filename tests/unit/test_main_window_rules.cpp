#include "mainwindow/MainWindowRules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

struct Step {
    unsigned message;
    unsigned expectTimerMs;
    bool expectRestore;
    int expectFlagAfter;
};

// Sequences as the shell delivers them for a click, a double click and a right click on the icon.
void RunSequence(const std::vector<Step>& steps) {
    int trayDoubleClicked = 0;
    for (size_t i = 0; i < steps.size(); ++i) {
        TrayReaction r = OnTrayMouseMessage(steps[i].message, trayDoubleClicked);
        EXPECT_EQ(r.menuTimerMs, steps[i].expectTimerMs) << "step " << i;
        EXPECT_EQ(r.restoreWindow, steps[i].expectRestore) << "step " << i;
        EXPECT_EQ(r.stopMenuTimer, steps[i].expectRestore) << "step " << i;
        EXPECT_EQ(trayDoubleClicked, steps[i].expectFlagAfter) << "step " << i;
    }
}

TEST(TrayIcon, SingleLeftClickOpensMenuAfterHalfASecond) {
    RunSequence({{kTrayLeftUp, 500, false, 0}});
}

TEST(TrayIcon, DoubleClickRestoresAndSwallowsTheReleaseThatEndsIt) {
    // up (menu timer starts), double click (restores, stops the timer), up (no new menu), next up (menu again)
    RunSequence({{kTrayLeftUp, 500, false, 0},
                 {kTrayLeftDoubleClick, 0, true, 1},
                 {kTrayLeftUp, 0, false, 0},
                 {kTrayLeftUp, 500, false, 0}});
}

TEST(TrayIcon, RightClickOpensMenuAtOnceAndKeepsTheFlag) {
    RunSequence({{kTrayLeftDoubleClick, 0, true, 1}, {kTrayRightUp, 10, false, 1}, {kTrayLeftUp, 0, false, 0}});
}

TEST(TrayIcon, OtherMouseMessagesDoNothing) {
    int flag = 1;
    for (unsigned m : {0x200u, 0x201u, 0x204u, 0x206u, 0x207u}) {
        TrayReaction r = OnTrayMouseMessage(m, flag);
        EXPECT_EQ(r.menuTimerMs, 0u);
        EXPECT_FALSE(r.restoreWindow);
        EXPECT_EQ(flag, 1);
    }
}

TEST(StartHiddenTimer, WaitsUntilVisibleThenHidesOnce) {
    StartHiddenStep notYet = OnStartHiddenTick(1, false);
    EXPECT_FALSE(notYet.stopTimer);
    EXPECT_FALSE(notYet.hideWindow);

    StartHiddenStep now = OnStartHiddenTick(1, true);
    EXPECT_TRUE(now.stopTimer);
    EXPECT_TRUE(now.hideWindow);

    // Once StartHidden is cleared the timer only stops itself, visible or not.
    for (bool visible : {false, true}) {
        StartHiddenStep after = OnStartHiddenTick(0, visible);
        EXPECT_TRUE(after.stopTimer);
        EXPECT_FALSE(after.hideWindow);
    }
}

TEST(ShellMessages, TheCallbackAndTaskbarCreatedAndNothingElse) {
    constexpr unsigned kCopyData = 0x4A;  // the test builds' channel: never from another integrity level
    struct Row {
        unsigned taskbarCreated;
        std::vector<unsigned> admitted;
    };
    const Row rows[] = {
        {0xC0A3, {kTrayCallbackMessage, 0xC0A3}},
        {0xC000, {kTrayCallbackMessage, 0xC000}},  // the registered range's ends
        {0xFFFF, {kTrayCallbackMessage, 0xFFFF}},
        {0, {kTrayCallbackMessage}},                     // the registration failed
        {kCopyData, {kTrayCallbackMessage}},             // a system message is never admitted in its place
        {kTrayCallbackMessage, {kTrayCallbackMessage}},  // nor is anything admitted twice
        {0xBFFF, {kTrayCallbackMessage}},
        {0x10000, {kTrayCallbackMessage}},
    };
    for (const Row& row : rows) {
        std::vector<unsigned> admitted = ShellMessagesToAdmit(row.taskbarCreated);
        EXPECT_EQ(admitted, row.admitted) << "TaskbarCreated 0x" << std::hex << row.taskbarCreated;
        EXPECT_EQ(std::count(admitted.begin(), admitted.end(), kCopyData), 0);
    }
}

TEST(SessionEnd, EachMessageInEachState) {
    using M = SessionMessage;
    struct Row {
        M message;
        int stopFlag;
        bool alreadyEnding;
        bool allowEnd, requestStop, endProgram;
    };
    const Row rows[] = {
        // The query is always answered TRUE and starts nothing, even while the program stops.
        {M::Query, 0, false, true, false, false},
        {M::Query, 1, false, true, false, false},
        {M::Query, 0, true, true, false, false},
        // The session ends: Exit's stop unless one is under way, then the program ends either way.
        {M::Ending, 0, false, false, true, true},
        {M::Ending, 1, false, false, false, true},
        {M::Ending, 2, false, false, false, true},
        // A second WM_ENDSESSION while the first stops the program starts nothing again.
        {M::Ending, 0, true, false, false, false},
        {M::Ending, 1, true, false, false, false},
        // A log-off someone refused: the program goes on as it was.
        {M::Cancelled, 0, false, false, false, false},
        {M::Cancelled, 1, false, false, false, false},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const Row& row = rows[i];
        SessionStep step = OnSessionMessage(row.message, row.stopFlag, row.alreadyEnding);
        EXPECT_EQ(step.allowEnd, row.allowEnd) << "row " << i;
        EXPECT_EQ(step.requestStop, row.requestStop) << "row " << i;
        EXPECT_EQ(step.endProgram, row.endProgram) << "row " << i;
    }
}

TEST(SessionEnd, TheLastProbesGetWhatIsLeftOfTheBound) {
    EXPECT_EQ(SessionEndTimeLeft(0), kSessionEndBoundMs);
    EXPECT_EQ(SessionEndTimeLeft(120), kSessionEndBoundMs - 120);
    // The device work timed out: what remains is the bound less that wait.
    EXPECT_EQ(SessionEndTimeLeft(kSessionEndDeviceWorkMs), kSessionEndBoundMs - kSessionEndDeviceWorkMs);
    EXPECT_EQ(SessionEndTimeLeft(kSessionEndBoundMs - 1), 1u);
    EXPECT_EQ(SessionEndTimeLeft(kSessionEndBoundMs), 0u);
    EXPECT_EQ(SessionEndTimeLeft(kSessionEndBoundMs + 5000), 0u);
    EXPECT_EQ(SessionEndTimeLeft(~0u), 0u);
}

}  // namespace
