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

TEST(SettingsDpiChange, TakesTheSuggestedPlaceAtThePicturesSizeForTheNewScale) {
    // From 100 % to 150 %: Windows suggests the scaled rectangle around the same spot.
    SettingsDpiStep step = OnSettingsDpiChanged(DisplayScale{}, 144, PixelRect{100, 80, 1105, 830}, false);
    EXPECT_TRUE(step.rescale);
    EXPECT_EQ(step.scale.dpi, 144);
    EXPECT_TRUE(step.place);
    EXPECT_EQ(step.rect, (PixelRect{100, 80, 1105, 830}));

    // A suggestion rounded another way still gets the picture's own size at the top left Windows chose.
    step = OnSettingsDpiChanged(DisplayScale::FromDpi(144), 120, PixelRect{-500, 40, -500 + 837, 40 + 624}, false);
    EXPECT_TRUE(step.rescale);
    EXPECT_EQ(step.rect, (PixelRect{-500, 40, -500 + 838, 40 + 625}));

    step = OnSettingsDpiChanged(DisplayScale::FromDpi(144), 192, PixelRect{10, 20, 1350, 1020}, false);
    EXPECT_EQ(step.rect, (PixelRect{10, 20, 1350, 1020}));
}

TEST(SettingsDpiChange, SameDpiMovesWithoutRedrawingAndMinimisedRedrawsWithoutMoving) {
    SettingsDpiStep step = OnSettingsDpiChanged(DisplayScale::FromDpi(192), 192, PixelRect{0, 0, 1340, 1000}, false);
    EXPECT_FALSE(step.rescale);
    EXPECT_TRUE(step.place);
    EXPECT_EQ(step.scale.dpi, 192);

    step = OnSettingsDpiChanged(DisplayScale{}, 192, PixelRect{-32000, -32000, -31840, -31970}, true);
    EXPECT_TRUE(step.rescale);
    EXPECT_EQ(step.scale.dpi, 192);
    EXPECT_FALSE(step.place);
    EXPECT_TRUE(step.resizeRestored);  // it comes back at the picture's new size
    EXPECT_EQ(step.restoredSize, (PixelSize{1340, 1000}));
    EXPECT_FALSE(OnSettingsDpiChanged(DisplayScale::FromDpi(192), 192, PixelRect{}, true).resizeRestored);

    step = OnSettingsDpiChanged(DisplayScale{}, 144, PixelRect{}, false);
    EXPECT_TRUE(step.rescale);
    EXPECT_FALSE(step.place);  // no rectangle to take
}

TEST(SettingsDpiChange, ADpiThatIsNoDpiChangesNothing) {
    for (int nonsense : {0, 1, 5000, 65535}) {
        SettingsDpiStep step =
            OnSettingsDpiChanged(DisplayScale::FromDpi(144), nonsense, PixelRect{0, 0, 100, 100}, false);
        EXPECT_FALSE(step.rescale) << nonsense;
        EXPECT_FALSE(step.place) << nonsense;
        EXPECT_EQ(step.scale.dpi, 144) << nonsense;
    }
}
